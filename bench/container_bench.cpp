// The block container alone: writing and reading 100 MB of section text through T_ShifterWrite
// and T_ShifterRead, compressed and stored, in MB/s of text; beside it zlib inflating the same
// text in blocks of the same size, the pace the reader should keep up with.
#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/section_text.h"
#include "core/alert.h"
#include "core/files.h"
#include "database/base.h"
#include "database/block_container.h"

namespace {

constexpr size_t kSize = 100 << 20;
constexpr int32_t kBlock = 12000;
constexpr int64_t kPiece = 4096;  // the section writer hands over a line or a field at a time
constexpr int kRepeats = 3;

// Best of kRepeats, in MB/s of text; false from the run spoils the figure.
template <typename F>
double Rate(size_t bytes, F run, bool* ok) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    const double t0 = Now();
    if (!run()) *ok = false;
    const double t = Now() - t0;
    if (t < best) best = t;
  }
  return static_cast<double>(bytes) / best / 1e6;
}

bool Write(const std::string& path, const std::vector<uint8_t>& text, bool compress) {
  T_ShifterWrite writer;
  SaveOptions options;
  options.kind = 1;
  options.compressed = compress ? 1 : 0;
  if (!writer.Open(path.c_str(), &options, nullptr)) return false;
  const char* bytes = reinterpret_cast<const char*>(text.data());
  for (size_t at = 0; at < text.size(); at += kPiece) {
    writer.PutBytes(bytes + at, std::min<int64_t>(kPiece, static_cast<int64_t>(text.size() - at)));
  }
  return writer.Commit();
}

// Line by line, as the section reader takes the text.
bool ReadLines(const std::string& path, size_t expected) {
  T_ShifterRead reader(nullptr);
  if (!reader.Open(path.c_str(), 1, nullptr)) return false;
  size_t bytes = 0;
  while (reader.NextLine()) bytes += static_cast<size_t>(reader.lineEnd - reader.lineStart) + 1;
  return reader.error == 0 && bytes == expected;
}

// Block by block, the text only handed over: the container's own cost.
bool ReadBlocks(const std::string& path, size_t expected) {
  T_ShifterRead reader(nullptr);
  if (!reader.Open(path.c_str(), 1, nullptr)) return false;
  size_t bytes = static_cast<size_t>(reader.dataEnd - reader.readStart);
  reader.readStart = reader.dataEnd;
  while (reader.Refill()) {
    bytes += static_cast<size_t>(reader.dataEnd - reader.readStart);
    reader.readStart = reader.dataEnd;
  }
  return reader.error == 0 && bytes == expected;
}

double InflateRate(const std::vector<uint8_t>& text, bool* ok) {
  const size_t blocks = (text.size() + kBlock - 1) / kBlock;
  std::vector<std::vector<uint8_t>> codes(blocks);
  for (size_t i = 0; i < blocks; ++i) {
    uLongf n = compressBound(kBlock);
    codes[i].resize(n);
    const uLong size = static_cast<uLong>(std::min<size_t>(kBlock, text.size() - i * kBlock));
    compress2(codes[i].data(), &n, text.data() + i * kBlock, size, 1);
    codes[i].resize(n);
  }
  std::vector<uint8_t> out(kBlock);
  return Rate(
      text.size(),
      [&] {
        for (size_t i = 0; i < blocks; ++i) {
          uLongf n = kBlock;
          if (uncompress(out.data(), &n, codes[i].data(), static_cast<uLong>(codes[i].size())) !=
              Z_OK)
            return false;
        }
        return true;
      },
      ok);
}

}  // namespace

int main() {
  T_TextBuf path;
  MakeTempFileName(&path);
  const std::vector<uint8_t> text = SectionText(kSize);
  // Each line counts with one byte for its end; the text may end inside a line.
  const size_t lineBytes = text.size() + (text.back() == '\r' ? 0 : 1);
  std::printf("block container, %zu MB of section text, best of %d runs\n", kSize >> 20, kRepeats);
  for (bool compress : {true, false}) {
    bool ok = true;
    const double write = Rate(
        text.size(), [&] { return Write(path.c_str(), text, compress); }, &ok);
    const int64_t fileSize = FileSizeOfPath(path.c_str());
    const double blocks = Rate(
        text.size(), [&] { return ReadBlocks(path.c_str(), text.size()); }, &ok);
    const double lines = Rate(
        text.size(), [&] { return ReadLines(path.c_str(), lineBytes); }, &ok);
    std::printf(
        "%-10s write %6.1f MB/s   read %6.1f MB/s (in lines %6.1f)   file %5.1f%% of the text%s\n",
        compress ? "compressed" : "stored", write, blocks, lines,
        100.0 * static_cast<double>(fileSize) / static_cast<double>(text.size()),
        ok ? "" : "   FAILED");
  }
  bool ok = true;
  const double inflate = InflateRate(text, &ok);
  std::printf("zlib inflate of the same text in %d-byte blocks %7.1f MB/s%s\n", kBlock, inflate,
              ok ? "" : "   FAILED");
  FileDelete(path.c_str());
  return 0;
}
