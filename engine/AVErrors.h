// Readable texts for the libraries' error codes, shown as "name: text".
#pragma once

#include <string>

std::string AVErrorText(int code);
