#pragma once
// fcetool render: a picture of a model, drawn without a display.

#include <string>
#include <vector>

extern const char* const kRenderHelp;

int RenderCommand(const std::vector<std::string>& args);
