// The table of every chunk id the loader knows, in look-up order. An id is recognised at any
// depth; `descend` decides whether the chunk's children are walked after its handler. Chunks
// not listed here are skipped whole, children included.
#include "norvane/chunk_ids.h"
#include "scene/chunk_reader.h"

namespace norvane {
namespace {

constexpr ChunkEntry chunkTable[] = {
    {chunk3ds::fileVersion, false, skipValue2},
    {chunk3ds::colourFloat, false, readFloatColour},
    {chunk3ds::colourBytes, false, skipValue3},
    {chunk3ds::gammaColourBytes, false, skipValue3},
    {chunk3ds::gammaColourFloat, false, readFloatColour},
    {chunk3ds::percentInt, false, skipValue2},
    {chunk3ds::percentFloat, false, skipValue4},
    {chunk3ds::masterScale, false, skipValue4},
    {chunk3ds::projectFile, true, nullptr},
    {chunk3ds::materialLibrary, true, nullptr},
    {chunk3ds::meshVersion, false, skipValue2},
    {chunk3ds::mainChunk, true, nullptr},
    {chunk3ds::editor, true, nullptr},
    {chunk3ds::solidBackground, true, nullptr},
    {chunk3ds::ambientLight, true, nullptr},
    {chunk3ds::namedObject, true, readNamedObject},
    {chunk3ds::triangleMesh, true, readTriMesh},
    {chunk3ds::vertexList, false, readVertexList},
    {chunk3ds::vertexFlags, false, readVertexFlags},
    {chunk3ds::faceList, true, readFaceList},
    {chunk3ds::faceMaterials, false, readFaceMaterials},
    {chunk3ds::mappingCoords, false, readMappingCoords},
    {chunk3ds::smoothingGroups, false, readSmoothingGroups},
    {chunk3ds::localAxes, false, readLocalMatrix},
    {chunk3ds::meshColour, false, ignoreChunk},
    {chunk3ds::mappingParameters, false, ignoreChunk},
    {chunk3ds::boxMap, false, nullptr},
    {chunk3ds::light, true, readLight},
    {chunk3ds::spotlight, false, readSpotlight},
    {chunk3ds::camera, false, readCamera},
    {chunk3ds::unknown4F00, true, nullptr},
    {chunk3ds::viewportLayout, false, ignoreChunk},
    {chunk3ds::viewportSize, false, ignoreChunk},
    {chunk3ds::materialBlock, true, nullptr},
    {chunk3ds::materialName, false, readMaterialName},
    {chunk3ds::ambientColour, true, nullptr},
    {chunk3ds::diffuseColour, true, nullptr},
    {chunk3ds::specularColour, true, nullptr},
    {chunk3ds::shininess, true, nullptr},
    {chunk3ds::shininessStrength, true, nullptr},
    {chunk3ds::transparency, true, nullptr},
    {chunk3ds::transparencyFalloff, true, nullptr},
    {chunk3ds::reflectionBlur, true, nullptr},
    {chunk3ds::selfIllumination, true, nullptr},
    {chunk3ds::twoSided, false, ignoreChunk},
    {chunk3ds::additiveTransparency, false, ignoreChunk},
    {chunk3ds::wireframe, false, ignoreChunk},
    {chunk3ds::wireThickness, false, skipValue4},
    {chunk3ds::soften, false, ignoreChunk},
    {chunk3ds::shadingType, false, skipValue2},
    {chunk3ds::textureMap, true, ignoreChunk},
    {chunk3ds::reflectionMap, true, ignoreChunk},
    {chunk3ds::bumpMap, true, ignoreChunk},
    {chunk3ds::bumpPercentage, false, skipValue2},
    {chunk3ds::mapFileName, false, readMapFileName},
    {chunk3ds::mapTiling, false, skipValue2},
    {chunk3ds::mapBlur, false, skipValue4},
    {chunk3ds::mapUScale, false, skipValue4},
    {chunk3ds::mapVScale, false, skipValue4},
    {chunk3ds::mapUOffset, false, skipValue4},
    {chunk3ds::mapVOffset, false, skipValue4},
    {chunk3ds::mapRotation, false, skipValue4},
    {chunk3ds::keyframer, true, nullptr},
    {chunk3ds::ambientNode, true, nullptr},
    {chunk3ds::objectNode, true, readObjectNode},
    {chunk3ds::frames, false, readFrames},
    {chunk3ds::nodeHeader, false, readNodeHeader},
    {chunk3ds::instanceName, false, nullptr},
    {chunk3ds::pivot, false, readPivot},
    {chunk3ds::positionTrack, false, readPositionTrack},
    {chunk3ds::colourTrack, false, skipTrack},
    {chunk3ds::rotationTrack, false, readRotationTrack},
    {chunk3ds::scaleTrack, false, skipTrack},
    {chunk3ds::morphTrack, false, nullptr},
    {chunk3ds::hideTrack, false, nullptr},
    {chunk3ds::nodeId, false, readNodeId},
    {chunk3ds::cameraNode, true, readCameraNode},
    {chunk3ds::targetNode, true, readTargetNode},
    {chunk3ds::lightNode, true, nullptr},
    {chunk3ds::lightTargetNode, true, nullptr},
    {chunk3ds::spotlightNode, true, nullptr},
    {chunk3ds::fieldOfViewTrack, false, skipTrack},
    {chunk3ds::rollTrack, false, skipTrack},
    {chunk3ds::innerRange, false, readInnerRange},
    {chunk3ds::outerRange, false, readOuterRange},
    {chunk3ds::multiplier, false, readMultiplier},
    {chunk3ds::lightOff, false, readLightOff},
    {chunk3ds::rayShadows, false, readRayShadows},
};

static_assert(sizeof chunkTable / sizeof chunkTable[0] == 88, "the chunk table has 88 entries");

} // namespace

int findChunk(std::uint16_t id) {
    for (int i = 0; i < chunkTableSize(); ++i)
        if (chunkTable[i].chunkId == id) return i;
    return -1;
}

const ChunkEntry& chunkEntry(int index) { return chunkTable[index]; }

int chunkTableSize() { return static_cast<int>(sizeof chunkTable / sizeof chunkTable[0]); }

} // namespace norvane
