// The in-memory scene: the public model, as the loader fills it.
#pragma once

#include "norvane/scene.h"
