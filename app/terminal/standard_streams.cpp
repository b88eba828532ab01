#include "app/terminal/standard_streams.h"

#include <cstdlib>

namespace ld {

int columnsFromEnvironment() {
    const char* columns = std::getenv("COLUMNS");
    const int fromEnvironment = columns != nullptr ? std::atoi(columns) : 0;
    return fromEnvironment > 0 ? fromEnvironment : 80;
}

}  // namespace ld
