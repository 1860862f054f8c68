// Block codec throughput against zlib (level 1 and inflate), block by block as the database file
// stores them, on 10 MB of section text and on 10 MB of random bytes.
#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/section_text.h"
#include "core/block_codec.h"

namespace {

constexpr size_t kSize = 10 << 20;
constexpr int32_t kBlock = 12000;  // text bytes per database-file block
constexpr int kRepeats = 5;

std::vector<uint8_t> RandomBytes(size_t size) {
  uint32_t seed = 17;
  std::vector<uint8_t> b(size);
  for (auto& x : b) x = static_cast<uint8_t>(NextRandom(&seed));
  return b;
}

struct Blocks {
  std::vector<std::vector<uint8_t>> codes;
  size_t codeBytes = 0;
};

// Best of kRepeats, in MB/s of uncompressed bytes.
template <typename F>
double Rate(size_t bytes, F run) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    const double t0 = Now();
    run();
    const double t = Now() - t0;
    if (t < best) best = t;
  }
  return static_cast<double>(bytes) / best / 1e6;
}

void Measure(const char* name, const std::vector<uint8_t>& data) {
  const size_t blocks = (data.size() + kBlock - 1) / kBlock;
  auto blockSize = [&](size_t i) {
    return static_cast<int32_t>(std::min<size_t>(kBlock, data.size() - i * kBlock));
  };
  std::vector<uint8_t> out(data.size() + 64);
  bool ok = true;

  Blocks ours;
  ours.codes.resize(blocks);
  const double oursCompress = Rate(data.size(), [&] {
    ours.codeBytes = 0;
    for (size_t i = 0; i < blocks; ++i) {
      auto& code = ours.codes[i];
      code.resize(2 * kBlock);
      code.resize(
          static_cast<size_t>(BlockCompress(code.data(), data.data() + i * kBlock, blockSize(i))));
      ours.codeBytes += code.size();
    }
  });
  const double oursExpand = Rate(data.size(), [&] {
    for (size_t i = 0; i < blocks; ++i) {
      const auto& code = ours.codes[i];
      if (BlockExpand(out.data() + i * kBlock, blockSize(i), code.data(),
                      static_cast<int32_t>(code.size())) != blockSize(i))
        ok = false;
    }
  });
  ok = ok && std::memcmp(out.data(), data.data(), data.size()) == 0;

  Blocks z;
  z.codes.resize(blocks);
  z_stream deflater{};
  deflateInit(&deflater, 1);
  const double zCompress = Rate(data.size(), [&] {
    z.codeBytes = 0;
    for (size_t i = 0; i < blocks; ++i) {
      auto& code = z.codes[i];
      code.resize(deflateBound(&deflater, kBlock));
      deflateReset(&deflater);
      deflater.next_in = const_cast<Bytef*>(data.data() + i * kBlock);
      deflater.avail_in = static_cast<uInt>(blockSize(i));
      deflater.next_out = code.data();
      deflater.avail_out = static_cast<uInt>(code.size());
      deflate(&deflater, Z_FINISH);
      code.resize(code.size() - deflater.avail_out);
      z.codeBytes += code.size();
    }
  });
  deflateEnd(&deflater);
  z_stream inflater{};
  inflateInit(&inflater);
  const double zInflate = Rate(data.size(), [&] {
    for (size_t i = 0; i < blocks; ++i) {
      inflateReset(&inflater);
      inflater.next_in = z.codes[i].data();
      inflater.avail_in = static_cast<uInt>(z.codes[i].size());
      inflater.next_out = out.data() + i * kBlock;
      inflater.avail_out = static_cast<uInt>(blockSize(i));
      if (inflate(&inflater, Z_FINISH) != Z_STREAM_END) ok = false;
    }
  });
  inflateEnd(&inflater);
  ok = ok && std::memcmp(out.data(), data.data(), data.size()) == 0;

  std::printf(
      "%-13s compress %7.1f MB/s (zlib-1 %7.1f)   expand %7.1f MB/s (inflate %7.1f)   "
      "size %5.1f%% (zlib-1 %5.1f%%)%s\n",
      name, oursCompress, zCompress, oursExpand, zInflate, 100.0 * ours.codeBytes / data.size(),
      100.0 * z.codeBytes / data.size(), ok ? "" : "   ROUND TRIP FAILED");
}

}  // namespace

int main() {
  std::printf("%d-byte blocks, %zu MB, best of %d runs\n", kBlock, kSize >> 20, kRepeats);
  Measure("section text", SectionText(kSize));
  Measure("random bytes", RandomBytes(kSize));
  return 0;
}
