// oryx-tao-args: prints the ORB argument vector that a server would get from
// tao.cfg, one word per line, so that administrators can check a
// configuration before starting a server.
// Exit status: 0 printed; 1 a missing environment variable or an unreadable
// or invalid tao.cfg (the message names it); 2 a usage error.
#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/OS.h"
#include "oryxutil/orbcfg/TaoCfg.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kTool[] = "oryx-tao-args: ";
const int kFailed = 1;
const int kUsage = 2;
const size_t kMaxCfgPath = 199;  // longer paths make the library fall back to its default

int fail(const std::string& message) {
  std::cerr << kTool << message << "\n";
  return kFailed;
}

bool isUnset(const char* name) { return oRYXCommonUtils::oRYXgetenv(name).empty(); }

// Why the file cannot be read, "" when it can.
std::string unreadable(const std::string& path) {
  FILE* in = ORYX_OS::fopen(path.c_str(), "r", "UTF-8");
  if (in == nullptr) return std::strerror(errno);
  std::fgetc(in);
  const int error = std::ferror(in) ? errno : 0;
  std::fclose(in);
  return error != 0 ? std::strerror(error) : "";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Prints the TAO ORB argument vector built from tao.cfg, one word per line."};
  std::string cfg;
  int port = 0;
  int sslPort = 0;
  std::string svcConf;
  std::vector<std::string> serverArgs;
  app.add_option("--cfg", cfg, "tao.cfg to read (default: $ORYX_ROOT/etc/conf/tao.cfg)");
  CLI::Option* portOption =
      app.add_option("--port", port, "the server's own IIOP port")->check(CLI::Range(0, 65535));
  app.add_option("--ssl-port", sslPort, "the server's own SSL port (integer-port form)")
      ->check(CLI::Range(0, 65535))
      ->needs(portOption);
  app.add_option("--svc-conf", svcConf, "service configuration file name below $ORYX_CONFIG_PATH");
  app.add_option("args", serverArgs, "the server's own arguments, placed first (after --)");
  app.footer(
      "Reads ORYX_CONFIG_PATH and ORYX_ROOT like the server does. Exit status: 0 printed, 1 "
      "missing environment variable or unreadable/invalid tao.cfg, 2 usage error.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kUsage;
  }

  if (cfg.empty()) {
    if (isUnset("ORYX_ROOT")) {
      return fail("environment variable ORYX_ROOT is not set (it locates the default tao.cfg; "
                  "or give --cfg PATH)");
    }
    cfg = oRYXCommonUtils::oRYXgetenv("ORYX_ROOT") + "/etc/conf/tao.cfg";
  }
  if (cfg.size() > kMaxCfgPath) return fail("tao.cfg path is longer than 199 characters: " + cfg);
  const std::string why = unreadable(cfg);
  if (!why.empty()) return fail("cannot read tao.cfg '" + cfg + "': " + why);
  for (const char* name : {"ORYX_CONFIG_PATH", "ORYX_ROOT"}) {
    if (isUnset(name)) return fail(std::string("environment variable ") + name + " is not set");
  }
  // The words are the output; the library's echo would mix into them.
  ::unsetenv("ORYX_TAO_DEBUG_WREN");

  std::vector<char*> own;
  for (std::string& arg : serverArgs) own.push_back(&arg[0]);
  own.push_back(nullptr);

  oRYX_Tao_Cfg taoCfg(cfg.c_str());
  std::unique_ptr<ACE_ARGV_T<char>> args;
  if (app.count("--ssl-port") > 0) {
    args.reset(taoCfg.TAO_init(own.data(), port, svcConf, sslPort));
  } else {
    const std::string portText = std::to_string(port);
    args.reset(taoCfg.TAO_init(own.data(), app.count("--port") > 0 ? portText.c_str() : nullptr,
                               svcConf));
  }
  // The library has said which setting or word holds an unclosed quote, if that is why.
  if (!args) return fail("tao.cfg '" + cfg + "' is not a valid INI file, or a word would be cut short");
  for (int i = 0; i < args->argc(); ++i) std::cout << args->argv()[i] << "\n";
  std::cout.flush();
  return std::cout ? 0 : kFailed;
}
