// The table of every chunk id the loader knows, in look-up order. An id is recognised at any
// depth; `descend` decides whether the chunk's children are walked after its handler. Chunks
// not listed here are skipped whole, children included.
#include "scene/chunk_reader.h"

namespace norvane {
namespace {

constexpr ChunkEntry chunkTable[] = {
    {0x0002, false, skipValue2},        // file version
    {0x0010, false, readFloatColour},   // colour, three floats
    {0x0011, false, skipValue3},        // colour, three bytes
    {0x0012, false, skipValue3},        // gamma-corrected colour, three bytes
    {0x0013, false, readFloatColour},   // gamma-corrected colour, three floats
    {0x0030, false, skipValue2},        // percentage, 16-bit
    {0x0031, false, skipValue4},        // percentage, float
    {0x0100, false, skipValue4},        // master scale
    {0xC23D, true, nullptr},            // project file (root)
    {0x3DAA, true, nullptr},            // material library (root)
    {0x3D3E, false, skipValue2},        // mesh version
    {0x4D4D, true, nullptr},            // main chunk (root)
    {0x3D3D, true, nullptr},            // editor data
    {0x1200, true, nullptr},            // solid background colour
    {0x2100, true, nullptr},            // ambient light colour
    {0x4000, true, readNamedObject},    // named object
    {0x4100, true, readTriMesh},        // triangle mesh
    {0x4110, false, readVertexList},    // vertex list
    {0x4111, false, readVertexFlags},   // vertex flags
    {0x4120, true, readFaceList},       // face list
    {0x4130, false, readFaceMaterials}, // face material list
    {0x4140, false, readMappingCoords}, // mapping coordinates
    {0x4150, false, readSmoothingGroups},
    {0x4160, false, readLocalMatrix},   // local axes
    {0x4165, false, ignoreChunk},       // mesh colour
    {0x4170, false, ignoreChunk},       // mapping parameters
    {0x4190, false, nullptr},           // box map
    {0x4600, true, readLight},          // light
    {0x4610, false, readSpotlight},     // spotlight
    {0x4700, false, readCamera},        // camera
    {0x4F00, true, nullptr},
    {0x7001, false, ignoreChunk},       // viewport layout
    {0x7020, false, ignoreChunk},       // viewport size
    {0xAFFF, true, nullptr},            // material block
    {0xA000, false, readMaterialName},  // material name
    {0xA010, true, nullptr},            // ambient colour
    {0xA020, true, nullptr},            // diffuse colour
    {0xA030, true, nullptr},            // specular colour
    {0xA040, true, nullptr},            // shininess
    {0xA041, true, nullptr},            // shininess strength
    {0xA050, true, nullptr},            // transparency
    {0xA052, true, nullptr},            // transparency falloff
    {0xA053, true, nullptr},            // reflection blur
    {0xA084, true, nullptr},            // self-illumination
    {0xA081, false, ignoreChunk},       // two-sided
    {0xA083, false, ignoreChunk},       // additive transparency
    {0xA085, false, ignoreChunk},       // wireframe
    {0xA087, false, skipValue4},        // wire thickness
    {0xA08C, false, ignoreChunk},       // soften
    {0xA100, false, skipValue2},        // shading type
    {0xA200, true, ignoreChunk},        // texture map
    {0xA220, true, ignoreChunk},        // reflection map
    {0xA230, true, ignoreChunk},        // bump map
    {0xA252, false, skipValue2},        // bump percentage
    {0xA300, false, readMapFileName},   // map file name
    {0xA351, false, skipValue2},        // map tiling
    {0xA353, false, skipValue4},        // map blur
    {0xA354, false, skipValue4},        // map u scale
    {0xA356, false, skipValue4},        // map v scale
    {0xA358, false, skipValue4},        // map u offset
    {0xA35A, false, skipValue4},        // map v offset
    {0xA35C, false, skipValue4},        // map rotation
    {0xB000, true, nullptr},            // keyframer data
    {0xB001, true, nullptr},            // ambient node
    {0xB002, true, readObjectNode},     // object node
    {0xB008, false, readFrames},        // frames
    {0xB010, false, readNodeHeader},    // node header
    {0xB011, false, nullptr},           // instance name
    {0xB013, false, readPivot},         // pivot
    {0xB020, false, readPositionTrack}, // position track
    {0xB025, false, skipTrack},         // colour track
    {0xB021, false, readRotationTrack}, // rotation track
    {0xB022, false, skipTrack},         // scale track
    {0xB026, false, nullptr},           // morph track
    {0xB029, false, nullptr},           // hide track
    {0xB030, false, readNodeId},        // node id
    {0xB003, true, readCameraNode},     // camera node
    {0xB004, true, readTargetNode},     // camera target node
    {0xB005, true, nullptr},            // light node
    {0xB006, true, nullptr},            // light target node
    {0xB007, true, nullptr},            // spotlight node
    {0xB023, false, skipTrack},         // field-of-view track
    {0xB024, false, skipTrack},         // roll track
    {0x4659, false, readInnerRange},    // light inner range
    {0x465A, false, readOuterRange},    // light outer range
    {0x465B, false, readMultiplier},    // light multiplier
    {0x4620, false, readLightOff},      // light off
    {0x4627, false, readRayShadows},    // ray-traced shadows
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
