// SPDX-License-Identifier: Apache-2.0
// XML export of 1,000,000 records x 8 fields (plain, escaped and non-ASCII
// fields mixed) against
//  - a floor that writes the same precomputed bytes through one buffered
//    stream (FloorStream), and
//  - libxml2's xmlTextWriter writing the same elements and attributes.
// BM_Ratio runs the floor and the writer in alternating pairs and reports
// the median writer / floor; BM_OptionsRatio does the same for every writer
// option on against the defaults. Before the runs the writer's and the
// floor's files are compared byte for byte.
#include "oryxutil/export/FormatFile.h"

#include "bench/FloorStream.h"
#include "bench/PairedRatio.h"

#include <benchmark/benchmark.h>
#include <libxml/xmlwriter.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kRecords = 1000000;
const std::string kWriterPath = oryxbench::benchDir() + "/oryx-bench-xml-writer.xml";
const std::string kFloorPath = oryxbench::benchDir() + "/oryx-bench-xml-floor.xml";
const std::string kLibxmlPath = oryxbench::benchDir() + "/oryx-bench-xml-libxml2.xml";
const std::list<std::string> kTitles = {"id", "name", "amount", "note", "city", "code", "text", "tail"};

std::vector<std::vector<std::string>> makeRecords() {
  std::vector<std::vector<std::string>> records;
  for (int i = 0; i < 1000; ++i) {
    records.push_back({std::to_string(100000 + i), "plain text of the record", std::to_string(i * 37),
                       "a < b & c", "Z\xC3\xBCrich", i % 3 ? "X-17" : "", "say \"hi\"\nagain", "tail field"});
  }
  return records;
}

std::string escaped(const std::string& field) {
  std::string out;
  for (char c : field) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\'': out += "&apos;"; break;
      case '"': out += "&quot;"; break;
      case '\n': out += "\n\x7F"; break;
      default: out += c;
    }
  }
  return out;
}

std::string recordBytes(const std::vector<std::string>& record) {
  std::string out = "<Record name=\"Row\">\n";
  size_t i = 0;
  for (const std::string& title : kTitles) {
    const std::string& field = record[i++];
    if (field.empty()) out += "<column name=\"" + title + "\"/>";
    else out += "<column name=\"" + title + "\">" + escaped(field) + "</column>";
  }
  return out + "\n</Record>\n";
}

void writeWithWriter(const std::vector<std::vector<std::string>>& records, int count,
                     const oryx::WriterOptions& options = {}) {
  std::unique_ptr<FormatFile> xml(FormatFileFactory::getFormatFile("xml", {"Export", "Row"}, options));
  xml->writeColumnTitle(kTitles, {});
  xml->startDocument(kWriterPath.c_str(), "UTF-8");
  for (int i = 0; i < count; ++i) xml->writeRecord(records[i % records.size()]);
  xml->endDocument();
}

void writeFloor(const std::vector<std::string>& lines, int count) {
  oryxbench::FloorStream out(kFloorPath);
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ExportFileInfo name=\"Export\">\n";
  out.write(head);
  for (int i = 0; i < count; ++i) {
    const std::string& line = lines[i % lines.size()];
    out.write(line);
  }
  out.write("</ExportFileInfo>\n");
}

std::vector<std::string> floorLines(const std::vector<std::vector<std::string>>& records) {
  std::vector<std::string> lines;
  for (const auto& record : records) lines.push_back(recordBytes(record));
  return lines;
}

void BM_Floor_BufferedStream(benchmark::State& state) {
  const auto lines = floorLines(makeRecords());
  for (auto _ : state) writeFloor(lines, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_XmlWriter(benchmark::State& state) {
  const auto records = makeRecords();
  for (auto _ : state) writeWithWriter(records, kRecords);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Libxml2TextWriter(benchmark::State& state) {
  const auto records = makeRecords();
  std::vector<std::string> titles(kTitles.begin(), kTitles.end());
  for (auto _ : state) {
    xmlTextWriterPtr w = xmlNewTextWriterFilename(kLibxmlPath.c_str(), 0);
    xmlTextWriterStartDocument(w, nullptr, "UTF-8", nullptr);
    xmlTextWriterStartElement(w, BAD_CAST "ExportFileInfo");
    xmlTextWriterWriteAttribute(w, BAD_CAST "name", BAD_CAST "Export");
    xmlTextWriterWriteRaw(w, BAD_CAST "\n");
    for (int i = 0; i < kRecords; ++i) {
      const auto& record = records[i % records.size()];
      xmlTextWriterStartElement(w, BAD_CAST "Record");
      xmlTextWriterWriteAttribute(w, BAD_CAST "name", BAD_CAST "Row");
      xmlTextWriterWriteRaw(w, BAD_CAST "\n");
      for (size_t c = 0; c < titles.size(); ++c) {
        xmlTextWriterStartElement(w, BAD_CAST "column");
        xmlTextWriterWriteAttribute(w, BAD_CAST "name", BAD_CAST titles[c].c_str());
        if (!record[c].empty()) xmlTextWriterWriteString(w, BAD_CAST record[c].c_str());
        xmlTextWriterEndElement(w);
      }
      xmlTextWriterWriteRaw(w, BAD_CAST "\n");
      xmlTextWriterEndElement(w);
      xmlTextWriterWriteRaw(w, BAD_CAST "\n");
    }
    xmlTextWriterEndElement(w);
    xmlTextWriterEndDocument(w);
    xmlFreeTextWriter(w);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Ratio(benchmark::State& state) {
  const auto records = makeRecords();
  const auto lines = floorLines(records);
  oryxbench::runPairs(state, "floor", [&] { writeFloor(lines, kRecords); },
                      "writer", [&] { writeWithWriter(records, kRecords); });
}

void BM_OptionsRatio(benchmark::State& state) {
  const auto records = makeRecords();
  oryxbench::runPairs(state, "default", [&] { writeWithWriter(records, kRecords); },
                      "options", [&] { writeWithWriter(records, kRecords, oryxbench::allOptions()); });
}

}  // namespace

BENCHMARK(BM_Floor_BufferedStream)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XmlWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Libxml2TextWriter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Ratio)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_OptionsRatio)->Unit(benchmark::kMillisecond)->Iterations(7);

int main(int argc, char** argv) {
  const auto records = makeRecords();
  return oryxbench::runWhenFloorMatches(argc, argv, kWriterPath, kFloorPath, {kWriterPath, kFloorPath, kLibxmlPath}, [&] {
    writeWithWriter(records, 3000);
    writeFloor(floorLines(records), 3000);
  });
}
