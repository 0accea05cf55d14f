#pragma once
// fcetool's glTF commands: export-gltf and import-gltf. The command table
// parses the arguments and reads or saves the FCE model; these do the glTF
// side and print their own one-line failure.

#include "CarModel.h"

#include <string>

namespace mobrix::cli {

extern const char* const kExportGltfHelp;
extern const char* const kImportGltfHelp;

// Writes `model` as `out` (.glb or .gltf), with the PNG image `texture`
// when it is not empty. True on success.
bool ExportGltfFile(const CarModel& model, const std::string& out, const std::string& texture);

// Converts the glTF file `in` into `model`. True on success.
bool ImportGltfFile(CarModel& model, const std::string& in);

} // namespace mobrix::cli
