// The chunk ids of the 3DS format that the loader knows, by name: the loader's table and the
// scene writer of the tools spell them from here. A chunk is a u16 id and a u32 length (of the
// whole chunk, these six bytes included), then its data and its children.
#pragma once

#include <cstdint>

namespace norvane::chunk3ds {

inline constexpr std::uint16_t fileVersion = 0x0002;          // file version
inline constexpr std::uint16_t colourFloat = 0x0010;          // colour, three floats
inline constexpr std::uint16_t colourBytes = 0x0011;          // colour, three bytes
inline constexpr std::uint16_t gammaColourBytes = 0x0012;     // gamma-corrected colour, three bytes
inline constexpr std::uint16_t gammaColourFloat = 0x0013;     // gamma-corrected colour, three floats
inline constexpr std::uint16_t percentInt = 0x0030;           // percentage, 16-bit
inline constexpr std::uint16_t percentFloat = 0x0031;         // percentage, float
inline constexpr std::uint16_t masterScale = 0x0100;          // master scale
inline constexpr std::uint16_t solidBackground = 0x1200;      // solid background colour
inline constexpr std::uint16_t ambientLight = 0x2100;         // ambient light colour
inline constexpr std::uint16_t editor = 0x3D3D;               // editor data
inline constexpr std::uint16_t meshVersion = 0x3D3E;          // mesh version
inline constexpr std::uint16_t materialLibrary = 0x3DAA;      // material library (root)
inline constexpr std::uint16_t namedObject = 0x4000;          // named object
inline constexpr std::uint16_t triangleMesh = 0x4100;         // triangle mesh
inline constexpr std::uint16_t vertexList = 0x4110;           // vertex list
inline constexpr std::uint16_t vertexFlags = 0x4111;          // vertex flags
inline constexpr std::uint16_t faceList = 0x4120;             // face list
inline constexpr std::uint16_t faceMaterials = 0x4130;        // face material list
inline constexpr std::uint16_t mappingCoords = 0x4140;        // mapping coordinates
inline constexpr std::uint16_t smoothingGroups = 0x4150;
inline constexpr std::uint16_t localAxes = 0x4160;            // local axes
inline constexpr std::uint16_t meshColour = 0x4165;           // mesh colour
inline constexpr std::uint16_t mappingParameters = 0x4170;    // mapping parameters
inline constexpr std::uint16_t boxMap = 0x4190;               // box map
inline constexpr std::uint16_t light = 0x4600;                // light
inline constexpr std::uint16_t spotlight = 0x4610;            // spotlight
inline constexpr std::uint16_t lightOff = 0x4620;             // light off
inline constexpr std::uint16_t rayShadows = 0x4627;           // ray-traced shadows
inline constexpr std::uint16_t innerRange = 0x4659;           // light inner range
inline constexpr std::uint16_t outerRange = 0x465A;           // light outer range
inline constexpr std::uint16_t multiplier = 0x465B;           // light multiplier
inline constexpr std::uint16_t camera = 0x4700;               // camera
inline constexpr std::uint16_t mainChunk = 0x4D4D;            // main chunk (root)
inline constexpr std::uint16_t unknown4F00 = 0x4F00;
inline constexpr std::uint16_t viewportLayout = 0x7001;       // viewport layout
inline constexpr std::uint16_t viewportSize = 0x7020;         // viewport size
inline constexpr std::uint16_t materialName = 0xA000;         // material name
inline constexpr std::uint16_t ambientColour = 0xA010;        // ambient colour
inline constexpr std::uint16_t diffuseColour = 0xA020;        // diffuse colour
inline constexpr std::uint16_t specularColour = 0xA030;       // specular colour
inline constexpr std::uint16_t shininess = 0xA040;            // shininess
inline constexpr std::uint16_t shininessStrength = 0xA041;    // shininess strength
inline constexpr std::uint16_t transparency = 0xA050;         // transparency
inline constexpr std::uint16_t transparencyFalloff = 0xA052;  // transparency falloff
inline constexpr std::uint16_t reflectionBlur = 0xA053;       // reflection blur
inline constexpr std::uint16_t twoSided = 0xA081;             // two-sided
inline constexpr std::uint16_t additiveTransparency = 0xA083; // additive transparency
inline constexpr std::uint16_t selfIllumination = 0xA084;     // self-illumination
inline constexpr std::uint16_t wireframe = 0xA085;            // wireframe
inline constexpr std::uint16_t wireThickness = 0xA087;        // wire thickness
inline constexpr std::uint16_t soften = 0xA08C;               // soften
inline constexpr std::uint16_t shadingType = 0xA100;          // shading type
inline constexpr std::uint16_t textureMap = 0xA200;           // texture map
inline constexpr std::uint16_t reflectionMap = 0xA220;        // reflection map
inline constexpr std::uint16_t bumpMap = 0xA230;              // bump map
inline constexpr std::uint16_t bumpPercentage = 0xA252;       // bump percentage
inline constexpr std::uint16_t mapFileName = 0xA300;          // map file name
inline constexpr std::uint16_t mapTiling = 0xA351;            // map tiling
inline constexpr std::uint16_t mapBlur = 0xA353;              // map blur
inline constexpr std::uint16_t mapUScale = 0xA354;            // map u scale
inline constexpr std::uint16_t mapVScale = 0xA356;            // map v scale
inline constexpr std::uint16_t mapUOffset = 0xA358;           // map u offset
inline constexpr std::uint16_t mapVOffset = 0xA35A;           // map v offset
inline constexpr std::uint16_t mapRotation = 0xA35C;          // map rotation
inline constexpr std::uint16_t materialBlock = 0xAFFF;        // material block
inline constexpr std::uint16_t keyframer = 0xB000;            // keyframer data
inline constexpr std::uint16_t ambientNode = 0xB001;          // ambient node
inline constexpr std::uint16_t objectNode = 0xB002;           // object node
inline constexpr std::uint16_t cameraNode = 0xB003;           // camera node
inline constexpr std::uint16_t targetNode = 0xB004;           // camera target node
inline constexpr std::uint16_t lightNode = 0xB005;            // light node
inline constexpr std::uint16_t lightTargetNode = 0xB006;      // light target node
inline constexpr std::uint16_t spotlightNode = 0xB007;        // spotlight node
inline constexpr std::uint16_t frames = 0xB008;               // frames
inline constexpr std::uint16_t nodeHeader = 0xB010;           // node header
inline constexpr std::uint16_t instanceName = 0xB011;         // instance name
inline constexpr std::uint16_t pivot = 0xB013;                // pivot
inline constexpr std::uint16_t positionTrack = 0xB020;        // position track
inline constexpr std::uint16_t rotationTrack = 0xB021;        // rotation track
inline constexpr std::uint16_t scaleTrack = 0xB022;           // scale track
inline constexpr std::uint16_t fieldOfViewTrack = 0xB023;     // field-of-view track
inline constexpr std::uint16_t rollTrack = 0xB024;            // roll track
inline constexpr std::uint16_t colourTrack = 0xB025;          // colour track
inline constexpr std::uint16_t morphTrack = 0xB026;           // morph track
inline constexpr std::uint16_t hideTrack = 0xB029;            // hide track
inline constexpr std::uint16_t nodeId = 0xB030;               // node id
inline constexpr std::uint16_t projectFile = 0xC23D;          // project file (root)

} // namespace norvane::chunk3ds
