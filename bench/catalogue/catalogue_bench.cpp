// Loading a ChipDB.txt with 10,000 chip types in 8 categories.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "catalogue/chip_catalogue.h"
#include "codegen/bench_util.h"

namespace {

constexpr int kChips = 10000;

std::string MakeCatalogue() {
  std::string text = "<category>\r\n";
  for (int c = 0; c < 8; ++c) {
    text += std::to_string(c) + "=category " + std::to_string(c) + "\r\n";
  }
  text += "</category>\r\n\r\n";
  for (int i = 0; i < kChips; ++i) {
    const std::string n = std::to_string(i);
    text += "<define chip" + n + ">\r\ncategory=" + std::to_string(i % 8) + "\r\nshortname=chip" +
            n + "\r\ndisplay=distance;*cm:speed\r\ncode=MOVE:" + n +
            ":*1:*2\\WAIT:100\r\nproperty_num=2\r\nproperty1_name=distance\r\n"
            "property1_type=NUM\r\nproperty1_unit=cm\r\nproperty2_name=speed\r\n"
            "property2_type=SELECT;slow;normal;fast\r\nproperty2_unit=NULL\r\n"
            "property2_code=30;60;100\r\n</define>\r\n\r\n";
  }
  return text;
}

void LoadCatalogue(benchmark::State& state) {
  ScratchDir dir;
  const std::string path = dir.File("ChipDB.txt");
  std::ofstream(path, std::ios::binary) << MakeCatalogue();
  for (auto _ : state) {
    CChipCatalogue catalogue;
    if (catalogue.Load(path) != 1 || catalogue.GetOrderedCount() != kChips) {
      state.SkipWithError("the catalogue was not loaded");
    }
  }
  state.counters["chips"] = kChips;
}
BENCHMARK(LoadCatalogue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
