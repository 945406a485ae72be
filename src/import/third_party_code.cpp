// The one translation unit that compiles the code of the glTF and OBJ readers (their headers
// hold it behind these macros). Their images are never decoded: a scene needs only names.
#define TINYGLTF_IMPLEMENTATION
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_gltf.h>
#include <tiny_obj_loader.h>
