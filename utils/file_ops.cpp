// Platform-independent parts of the file operations.
#include "utils/file_ops.h"

namespace Utils {

bool CloseFile(UniqueFile& file) {
  if (!file) return false;
  return std::fclose(file.release()) == 0;
}

}  // namespace Utils
