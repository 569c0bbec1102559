// A program outside the project that uses the installed library.
#include <oryxutil/oryxutil.h>

#include <cstdio>
#include <memory>

int main() {
  std::unique_ptr<FormatFile> writer(FormatFileFactory::getFormatFile("CSV", {}));
  if (!writer) return 1;
  std::printf("consumer ok %s\n", oRYXCommonUtils::getConfigPath().c_str());
  return 0;
}
