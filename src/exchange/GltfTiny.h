#pragma once
// tinygltf as the exchange library uses it: no file system of its own, no
// image coders. Include this rather than tiny_gltf.h so every file sees the
// same configuration.
#ifndef TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE
#endif
#ifndef TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#endif
#ifndef TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#endif
#ifndef TINYGLTF_NO_FS
#define TINYGLTF_NO_FS
#endif
#include <fstream>
#include <ostream>
#include <tiny_gltf.h>
