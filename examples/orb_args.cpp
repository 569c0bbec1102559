// SPDX-License-Identifier: Apache-2.0
// ORB arguments from tao.cfg: the argument vector a server hands to its ORB,
// built from its own arguments, a listen port and examples/tao.cfg. The
// builder needs ORYX_CONFIG_PATH (the service configuration directory) and
// ORYX_ROOT (the installation) in the environment:
//   export ORYX_CONFIG_PATH=/opt/oryx/etc/conf ORYX_ROOT=/opt/oryx
//   oryx-example-orb examples/tao.cfg
// Usage: oryx-example-orb TAO_CFG
#include <oryxutil/oryxutil.h>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s TAO_CFG\n", argv[0]);
    return 2;
  }
  oRYX_Tao_Cfg cfg(argv[1]);
  char program[] = "server";
  char* serverArgv[] = {program, nullptr};
  // The vector is new and the caller's; null when tao.cfg cannot be read or
  // ORYX_CONFIG_PATH / ORYX_ROOT is not set.
  std::unique_ptr<ACE_ARGV_T<char>> args(cfg.TAO_init(serverArgv, "7000", ""));
  if (!args) {
    std::fprintf(stderr, "no ORB arguments: check %s, ORYX_CONFIG_PATH and ORYX_ROOT\n", argv[1]);
    return 1;
  }
  for (int i = 0; i < args->argc(); ++i) std::printf("%s\n", args->argv()[i]);
  // Any value of the file is at hand too.
  const ACE_CString section("NameService"), key("hostname");
  std::printf("naming service host: %s\n", cfg.getparam(&section, &key).c_str());
  return 0;
}
