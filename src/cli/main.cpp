// fcetool: the editor's file handling from the command line, for batch work.
//
// Exit status: 0 on success, 1 when a file is refused or cannot be written,
// 2 on bad usage.

#include "ArchiveCommands.h"
#include "CliCommon.h"
#include "ExchangeCommands.h"
#include "GltfCommands.h"
#include "MeshCommands.h"
#include "ModelCommands.h"
#include "RenderCommand.h"
#include "TextureCommands.h"

#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace mobrix::cli;

const char* const kOverview =
    "Usage: fcetool COMMAND [OPTIONS] ...\n"
    "\n"
    "Reads and writes NFSIII and NFSIV FCE car models.\n"
    "\n"
    "Commands:\n"
    "  info          print the file information report of a model\n"
    "  convert       read a model and save it in either FCE variant\n"
    "  extract-part  write one part of a model to a part file\n"
    "  insert-part   add a part file to a model as a new part\n"
    "  import-3ds    convert the meshes of a 3DS file into a model\n"
    "  3ds-to-prt    write every mesh of a 3DS file to its own part file\n"
    "  export-3ds    write the parts of a model as a 3DS file\n"
    "  import-x      convert the first mesh of a text X file into a model\n"
    "  remap         lay out a model's texture coordinates by its remap sections\n"
    "  tga-to-bmp    convert a 32-bit TGA image into a 24-bit bitmap\n"
    "  export-obj    write the parts of a model as a Wavefront OBJ file\n"
    "  import-obj    convert the objects of a Wavefront OBJ file into a model\n"
    "  export-gltf   write a model as a glTF 2.0 file, every field kept\n"
    "  import-gltf   convert a glTF 2.0 file into a model\n"
    "  mesh          transform or clean up the mesh of a model\n"
    "  render        draw a picture of a model into a PNG file\n"
    "  viv           list, extract, pack or replace the entries of a car archive\n"
    "\n"
    "A model file may also be a car archive (car.viv, its first .fce entry) or\n"
    "an entry of one (car.viv:car.fce); models saved into an archive keep its\n"
    "other entries.\n"
    "\n"
    "Run 'fcetool COMMAND --help' for the options of a command.\n";

using Command = int (*)(const CommandArgs& args);

const std::map<std::string, Command>& Commands()
{
    static const std::map<std::string, Command> commands = {
        {"info", InfoCommand},
        {"convert", ConvertCommand},
        {"extract-part", ExtractPartCommand},
        {"insert-part", InsertPartCommand},
        {"import-3ds", Import3dsCommand},
        {"3ds-to-prt", ThreeDsToPrtCommand},
        {"export-3ds", Export3dsCommand},
        {"import-x", ImportXCommand},
        {"remap", RemapCommand},
        {"tga-to-bmp", TgaToBmpCommand},
        {"export-obj", ExportObjCommand},
        {"import-obj", ImportObjCommand},
        {"export-gltf", ExportGltfCommand},
        {"import-gltf", ImportGltfCommand},
        {"mesh", MeshCommand},
        {"render", RenderCommand},
        {"viv", VivCommand},
    };
    return commands;
}

} // namespace

int main(int argc, char** argv)
{
    CommandArgs args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintError("no command given (run 'fcetool --help' for the commands)");
        return kExitUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        // 'help COMMAND' is 'COMMAND --help'.
        if (!args.empty() && Commands().count(args.front()))
            return Commands().at(args.front())({"--help"});
        std::fputs(kOverview, stdout);
        return kExitOk;
    }
    const auto found = Commands().find(command);
    if (found == Commands().end()) {
        PrintError("unknown command '" + command + "' (run 'fcetool --help' for the commands)");
        return kExitUsage;
    }
    return found->second(args);
}
