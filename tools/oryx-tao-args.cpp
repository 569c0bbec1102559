// SPDX-License-Identifier: Apache-2.0
// oryx-tao-args: prints the ORB argument vector that a server would get from
// tao.cfg (one word a line, NUL-ended, a JSON array or shell words), or with
// --check says what in tao.cfg would go wrong, so that administrators can
// check a configuration before starting a server.
// Exit status: 0 printed (or nothing found); 1 a missing environment
// variable, an unreadable or invalid tao.cfg, or problems found by --check;
// 2 a usage error.
#include "ConfigRead.h"
#include "TaoCfgCheck.h"
#include "ToolCli.h"
#include "Utf8Check.h"

#include "oryxutil/companion/CommonUtils.h"
#include "oryxutil/companion/OS.h"
#include "oryxutil/orbcfg/TaoCfg.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kTool[] = "oryx-tao-args";
const size_t kMaxCfgPath = 199;  // longer paths make the library fall back to its default

const char kFooter[] =
    "A tao.cfg (INI; values that switch are enable or disable):\n"
    "  [NameService]\n"
    "  hostname=ns.example.org\n"
    "  port=2809\n"
    "  ListenAllIp=enable\n"
    "  ;ListenIpAddrs=10.0.0.5,10.0.1.5\n"
    "  ;ssl=enable\n"
    "  ;sslport=2810\n"
    "  [Debug]\n"
    "  DebugLevel=0\n"
    "  [ORB]\n"
    "  UseIp=disable\n"
    "  ;orbext=-ORBConnectionCacheMax 256\n"
    "\n"
    "Examples:\n"
    "  oryx-tao-args --cfg /opt/oryx/etc/conf/tao.cfg --check\n"
    "  eval \"set -- $(oryx-tao-args --format shell --port 7000 -- server -v)\"\n"
    "\n"
    "Reads ORYX_CONFIG_PATH and ORYX_ROOT like the server does. Exit status: 0\n"
    "printed (--check: nothing found), 1 missing environment variable,\n"
    "unreadable or invalid tao.cfg, or problems found by --check; 2 usage error.\n";

int fail(const std::string& message) {
  std::cerr << kTool << ": " << message << "\n";
  return oryxtool::kExitFailed;
}

bool isUnset(const char* name) { return oRYXCommonUtils::oRYXgetenv(name).empty(); }

// Why tao.cfg cannot be read. It is read the way the library reads it, so
// a FIFO or a device in its place is refused, never waited on.
std::string readError(int error) {
  if (error == EINVAL) return "not a regular file";
  if (error == EFBIG) return "larger than " + std::to_string(oryxtool::kMaxConfigBytes >> 20) + " MiB";
  return std::strerror(error);
}

std::string located(const std::string& path, const oryxtool::CfgFinding& finding) {
  return path + (finding.line > 0 ? ":" + std::to_string(finding.line) : std::string()) + ": " + finding.message;
}

// The output forms of the words.
void lines(const std::vector<std::string>& words, std::string& out) {
  for (const std::string& word : words) out += word + "\n";
}

void nulEnded(const std::vector<std::string>& words, std::string& out) {
  for (const std::string& word : words) out += word + '\0';
}

// Each word in single quotes (a quote inside as '\''), so that eval or
// set -- gives back exactly these words, blanks and newlines included.
void shellWords(const std::vector<std::string>& words, std::string& out) {
  for (const std::string& word : words) {
    out += out.empty() ? "'" : " '";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    out += "'";
  }
  out += "\n";
}

void jsonArray(const std::vector<std::string>& words, std::string& out) {
  out = "[";
  for (const std::string& word : words) {
    out += out.size() > 1 ? ",\"" : "\"";
    for (unsigned char c : word) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
        out += escaped;
      } else {
        out += static_cast<char>(c);
      }
    }
    out += "\"";
  }
  out += "]\n";
}

struct OutputForm {
  const char* name;
  void (*write)(const std::vector<std::string>&, std::string&);
  bool needsUtf8;
};

const OutputForm kForms[] = {
    {"lines", lines, false}, {"null", nulEnded, false}, {"json", jsonArray, true}, {"shell", shellWords, false}};

// Every problem --check looks for, in file order, then the service configuration.
std::vector<std::string> problems(const std::string& cfg, const oryxtool::TaoCfgCheck& check,
                                  const std::string& svcConf, bool sslMode) {
  std::vector<std::string> found;
  for (const oryxtool::CfgFinding& finding : check.syntaxErrors()) found.push_back(located(cfg, finding));
  for (const oryxtool::CfgFinding& finding : check.settingProblems()) found.push_back(located(cfg, finding));
  const std::string configPath = oRYXCommonUtils::oRYXgetenv("ORYX_CONFIG_PATH");
  if (configPath.empty()) {
    found.push_back("ORYX_CONFIG_PATH is not set: the service configuration cannot be found");
  } else {
    const std::string name = !svcConf.empty() ? svcConf : sslMode ? "svc_ssl.conf" : "svc.conf";
    const std::string path = configPath + "/" + name;
    if (ORYX_OS::access(path.c_str(), R_OK, "UTF-8") != 0) {
      found.push_back(path + ": service configuration: " + std::strerror(errno));
    }
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Prints the TAO ORB argument vector built from tao.cfg, or checks tao.cfg.", kTool};
  oryxtool::setUpCommandLine(app, kTool);
  app.footer(kFooter);
  std::string cfg;
  int port = 0;
  int sslPort = 0;
  std::string svcConf;
  std::string form = "lines";
  bool check = false;
  std::vector<std::string> serverArgs;
  std::vector<std::string> formNames;
  for (const OutputForm& each : kForms) formNames.push_back(each.name);
  app.add_option("--cfg", cfg, "tao.cfg to read (default: $ORYX_ROOT/etc/conf/tao.cfg)");
  CLI::Option* portOption =
      app.add_option("--port", port, "the server's own IIOP port")->check(CLI::Range(0, 65535));
  app.add_option("--ssl-port", sslPort, "the server's own SSL port (integer-port form)")
      ->check(CLI::Range(0, 65535))
      ->needs(portOption);
  app.add_option("--svc-conf", svcConf, "service configuration file name below $ORYX_CONFIG_PATH");
  app.add_option("--format", form,
                 "lines: one word a line; null: each word ended by NUL (xargs -0); json: an array of "
                 "strings; shell: quoted words for eval or set --")
      ->check(CLI::IsMember(formNames))
      ->capture_default_str();
  app.add_flag("--check", check,
               "print each problem of tao.cfg (file:line: what) and of the service configuration, "
               "exit 1 if any");
  app.add_option("args", serverArgs, "the server's own arguments, placed first (after --)");
  if (const int status = oryxtool::parseCommandLine(app, argc, argv); status != oryxtool::kKeepGoing) {
    return status;
  }

  if (cfg.empty()) {
    if (isUnset("ORYX_ROOT")) {
      return fail("environment variable ORYX_ROOT is not set (it locates the default tao.cfg; "
                  "or give --cfg PATH)");
    }
    cfg = oRYXCommonUtils::oRYXgetenv("ORYX_ROOT") + "/etc/conf/tao.cfg";
  }
  if (cfg.size() > kMaxCfgPath) return fail("tao.cfg path is longer than 199 characters: " + cfg);
  oryxtool::TaoCfgCheck cfgCheck;
  if (!cfgCheck.read(cfg)) return fail("cannot read tao.cfg '" + cfg + "': " + readError(errno));
  if (check) {
    const bool sslMode = app.count("--ssl-port") > 0 && cfgCheck.sslEnabled();
    const std::vector<std::string> found = problems(cfg, cfgCheck, svcConf, sslMode);
    for (const std::string& line : found) std::cout << line << "\n";
    return oryxtool::finishStdout(kTool, found.empty() ? oryxtool::kExitOk : oryxtool::kExitFailed);
  }
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
  if (!args && !cfgCheck.syntaxErrors().empty()) return fail(located(cfg, cfgCheck.syntaxErrors().front()));
  // The library has said which setting or word holds an unclosed quote, if that is why.
  if (!args) return fail("tao.cfg '" + cfg + "' is not a valid INI file, or a word would be cut short");
  if (!cfgCheck.settingProblems().empty()) {
    std::cerr << kTool << ": warning: " << cfg << " has problems; see --check\n";
  }
  std::vector<std::string> words;
  for (int i = 0; i < args->argc(); ++i) words.push_back(args->argv()[i]);
  for (const OutputForm& each : kForms) {
    if (form != each.name) continue;
    for (const std::string& word : words) {
      if (each.needsUtf8 && !oryxtool::isUtf8(word.data(), word.size())) {
        return fail("a word is not UTF-8, which JSON cannot carry; use --format null");
      }
    }
    std::string out;
    each.write(words, out);
    std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
  }
  return oryxtool::finishStdout(kTool, oryxtool::kExitOk);
}
