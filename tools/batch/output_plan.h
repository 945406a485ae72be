// Where each scene's tree goes, and the command lines whose trees would collide.
#pragma once

#include <string>
#include <vector>

#include "batch/command_line.h"

namespace norvane::batch {

struct BatchScene {
    std::string input;  // the scene, as typed
    std::string output; // its tree
    std::string gltf = {}; // the tree as glTF beside it (--gltf), or empty
};

// The scenes in command-line order with their trees: beside each scene under norvane's name
// (makeOutputName), in -o DIR under the name norvane gives the scene's file name, or the one
// --output FILE; with --gltf, each tree's glTF beside it.
std::vector<BatchScene> planOutputs(const BatchOptions& options);

// Why the plan cannot run: two scenes that would write one file (a tree or a tree's glTF), or a
// file written that would replace a scene of the batch (a glTF scene's own tree's glTF among
// them), found by the files the names reach (links followed, folders resolved); empty when
// there is no such pair. A scene whose tree would replace the scene itself is left to the
// compile, which refuses it as norvane does.
std::string findCollision(const std::vector<BatchScene>& scenes);

} // namespace norvane::batch
