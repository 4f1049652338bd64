// Building the sorted list of a whole backup: adds 100,000 random paths and
// prints the cost of 10,000 adds at 10k and at 100k entries. With a linear
// search the second figure would be about ten times the first.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ferrimond/support/list.h"

namespace {

std::vector<std::wstring> RandomPaths(size_t count) {
  std::mt19937 rng(2026);
  const wchar_t* roots[] = {L"C:\\Documents and Settings\\User1\\My Documents\\", L"D:\\Work\\",
                            L"C:\\Projects\\ferrimond\\src\\"};
  std::vector<std::wstring> paths;
  paths.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    std::wstring p = roots[rng() % 3];
    for (int depth = 1 + rng() % 3; depth > 0; --depth) {
      for (int n = 4 + rng() % 8; n > 0; --n) p.push_back(static_cast<wchar_t>(L'a' + rng() % 26));
      p.push_back(L'\\');
    }
    p += L"file" + std::to_wstring(rng()) + L".doc";
    paths.push_back(std::move(p));
  }
  return paths;
}

}  // namespace

int main() {
  using Clock = std::chrono::steady_clock;
  const auto paths = RandomPaths(100000);
  ferrimond::List list;
  double at10k = 0, at100k = 0;
  auto start = Clock::now();
  for (size_t i = 0; i < paths.size(); ++i) {
    list.Add(paths[i]);
    if ((i + 1) % 10000 == 0) {
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (i + 1 == 10000) at10k = ms;
      if (i + 1 == 100000) at100k = ms;
      start = Clock::now();
    }
  }
  std::printf("list add: %.2f ms per 10,000 adds at 10k entries\n", at10k);
  std::printf("list add: %.2f ms per 10,000 adds at 100k entries\n", at100k);
  std::printf("list add: ratio 100k/10k = %.2f (linear search would give about 10)\n",
              at10k > 0 ? at100k / at10k : 0.0);
  return 0;
}
