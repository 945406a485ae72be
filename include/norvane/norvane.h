// Everything the library offers: the version, the scene loader and its model, the tree file
// and its traversals.
#pragma once

#include "norvane/scene.h"
#include "norvane/tree_file.h"
#include "norvane/tree_traversal.h"
#include "norvane/version.h"
