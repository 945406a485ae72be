// Everything the library offers: the version, the scene loader and its model, the compile and
// the tree file's writer, the tree file's reader, checker and walks.
#pragma once

#include "norvane/compile.h"
#include "norvane/error.h"
#include "norvane/files.h"
#include "norvane/geometry.h"
#include "norvane/scene.h"
#include "norvane/tree_file.h"
#include "norvane/tree_format.h"
#include "norvane/tree_traversal.h"
#include "norvane/version.h"
