#pragma once
// Which texture belongs to a loose model file: the folder's car00.tga
// (the name a car's texture has in the games), else a TGA, BMP or PNG image
// with the model's own name. Names are matched without regard to case, as
// cars copied from other systems often come in capitals.

#include <optional>
#include <string>

namespace mobrix::render {

std::optional<std::string> FindModelTexture(const std::string& modelPath);

// True when the two names are equal but for the case of ASCII letters.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

} // namespace mobrix::render
