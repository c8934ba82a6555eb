// Messages of the conversion that name a file or a list of files.
#pragma once

#include <string>

namespace bwps1::convert {

// Shows message `number` with one more line under its text.
void ShowMessageWithLine(int number, const std::string& line);

}  // namespace bwps1::convert
