// SPDX-License-Identifier: Apache-2.0
// oryx-profile: reads a trace written with OX_PROFILE_TRACE (or, best
// effort, the profiler's text lines) and prints per-name statistics, folded
// stacks, an SVG flame graph or an HTML timeline, so that a profile can be
// read without a trace viewer.
// Exit status: 0 printed; 1 the file cannot be read or is neither form;
// 2 a usage error.
#include "ProfileTrace.h"
#include "ProfileViews.h"
#include "ToolCli.h"

#include <iostream>
#include <string>

namespace {

const char kTool[] = "oryx-profile";

const char kFooter[] =
    "Examples:\n"
    "  OX_PROFILE_TRACE=run-%p.json ./server     # write a trace (%p: the pid)\n"
    "  oryx-profile summary run-4242.json\n"
    "  oryx-profile summary --by-thread --csv run-4242.json > zones.csv\n"
    "  oryx-profile folded run-4242.json | flamegraph.pl > zones.svg\n"
    "  oryx-profile flamegraph run-4242.json > zones.svg\n"
    "  oryx-profile timeline run-4242.json > zones.html\n"
    "\n"
    "Times are microseconds; self time is a span's time less its children's.\n"
    "A trace cut short by a crash is read up to its last whole event. A trace\n"
    "also opens in Perfetto, speedscope or chrome://tracing. Exit status: 0\n"
    "printed, 1 unreadable or not a profile, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Summaries, folded stacks, flame graphs and timelines of an oryxutil profile.", kTool);
  oryxtool::setUpCommandLine(app, kTool);
  app.footer(kFooter);
  app.require_subcommand(1, 1);
  std::string path;
  bool byThread = false, csv = false, jsonForm = false;
  std::string title = "oryxutil profile";
  size_t limit = 20000;

  CLI::App* summary = app.add_subcommand("summary", "per name: count, total, self, mean, p50, p90, p99, max");
  summary->add_option("file", path, "trace file or profile lines (- for standard input)")->required();
  summary->add_flag("--by-thread", byThread, "one row per name and thread");
  CLI::Option* csvFlag = summary->add_flag("--csv", csv, "comma-separated values");
  summary->add_flag("--json", jsonForm, "a JSON array")->excludes(csvFlag);

  CLI::App* foldedCmd = app.add_subcommand("folded", "folded stacks: \"outer;inner <self us>\", one a line");
  foldedCmd->add_option("file", path, "trace file or profile lines (- for standard input)")->required();
  foldedCmd->add_flag("--by-thread", byThread, "each stack starts with its thread");

  CLI::App* flame = app.add_subcommand("flamegraph", "a self-contained SVG flame graph");
  flame->add_option("file", path, "trace file or profile lines (- for standard input)")->required();
  flame->add_option("--title", title, "the heading");

  CLI::App* lanes = app.add_subcommand("timeline", "a self-contained HTML page, one lane per thread");
  lanes->add_option("file", path, "trace file or profile lines (- for standard input)")->required();
  lanes->add_option("--title", title, "the heading");
  lanes->add_option("--limit", limit, "draw at most this many spans, the longest (default 20000)")
      ->check(CLI::PositiveNumber);

  if (const int status = oryxtool::parseCommandLine(app, argc, argv); status != oryxtool::kKeepGoing) {
    return status;
  }
  oryxtool::Profile profile;
  std::string error;
  if (!oryxtool::readProfile(path, profile, error)) {
    oryxtool::report(kTool, path, error);
    return oryxtool::kExitFailed;
  }
  if (profile.dropped != 0) {
    std::cerr << kTool << ": note: the program dropped " << profile.dropped
              << " events (its trace writer fell behind)\n";
  }
  if (summary->parsed()) {
    const oryxtool::SummaryForm form = csv        ? oryxtool::SummaryForm::kCsv
                                       : jsonForm ? oryxtool::SummaryForm::kJson
                                                  : oryxtool::SummaryForm::kTable;
    std::cout << oryxtool::summary(profile, byThread, form);
  } else if (foldedCmd->parsed()) {
    std::cout << oryxtool::folded(profile, byThread);
  } else if (flame->parsed()) {
    std::cout << oryxtool::flameGraph(profile, title);
  } else {
    std::cout << oryxtool::timeline(profile, title, limit);
  }
  return oryxtool::finishStdout(kTool, oryxtool::kExitOk);
}
