// Loading a 3DS file into a Scene: a table-driven walk over the file's chunk tree, done twice.
// The counting pass sizes every record array of the scene; the filling pass fills them.
// Afterwards every face gets its plane, every vertex its normal and every camera its matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace norvane {

// Why a load failed. The console shows one line for all of them; tools and tests tell them
// apart.
enum class LoadStatus {
    Ok,
    CannotRead,       // the file cannot be opened or read
    FirstChunkTooLong, // the first chunk claims more bytes than the file has: not a scene, or cut short
    ZeroLengthChunk,  // a chunk header gives length 0
    PastEndOfFile,    // a chunk header, or data a chunk's handler reads, lies past the end of the file
    NestingTooDeep,   // chunks nest deeper than maxChunkDepth
    ReadBudgetSpent,  // the chunks make the handlers read the file's bytes over and over
    CornerOutOfRange, // a face corner is not below its mesh's vertex count
    NameCutShort,     // the file ends inside a name
    PassesDisagree,   // the filling pass met more records than the counting pass counted
};

struct LoadError {
    LoadStatus status = LoadStatus::Ok;
    std::int64_t offset = 0; // where the chunk that failed the load starts in the file
};

// A short identifier ("past-end-of-file") and a sentence for each status.
const char* loadStatusName(LoadStatus status);
const char* loadStatusText(LoadStatus status);

// Loads the file under the name given; null when it cannot be read or its chunk tree is broken,
// with the reason in `error` when one is given. Prints nothing.
std::unique_ptr<Scene> loadScene(const std::string& fileName, LoadError* error = nullptr);
// The same over bytes already in memory.
std::unique_ptr<Scene> loadSceneFromBytes(const std::uint8_t* data, std::size_t size, LoadError* error = nullptr);

// Reads a whole file into memory; false when it cannot be opened or read (a folder included).
bool readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes);

} // namespace norvane
