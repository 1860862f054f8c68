// Damaged database files through the program's own open: truncations, bit flips, overwritten and
// reordered blocks of a container and of a text form. Each open ends in a message or in a
// database; no crash, no hang, no damage to the heap, and no database left on the list. A
// container that opens without a word holds what was saved: its checks caught the damage or
// there was none to catch.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "opensave_fixture.h"

namespace {

int32_t CancelPassword(const PasswordPromptRequest*, T_TextBuf*) { return 0; }

class MutatedFiles : public OpenSaveTest {
 protected:
  void SetUp() override {
    OpenSaveTest::SetUp();
    SetPasswordPrompt(CancelPassword);
  }
  void TearDown() override {
    SetPasswordPrompt(nullptr);
    OpenSaveTest::TearDown();
  }

  // The text form of the database, saved where every comparison saves it.
  std::string TextFormOf(T_Base* base) {
    const std::string path = Path("compare.qex");
    EXPECT_TRUE(SaveAs(base, path, kFileKindTextForm));
    return ReadWholeFile(path);
  }

  // Opens the damaged bytes; true when the open said nothing.
  bool OpenQuietly(const std::string& bytes, const char* name, T_Base** opened) {
    const std::string path = Path(name);
    WriteWholeFile(path, bytes);
    user.asked.clear();
    PendingErrorClear();
    *opened = openDatabase(path.c_str(), nullptr, kOpenFlagNoOpenDirect);
    const bool quiet = user.asked.empty() && PendingError.request.message == 0;
    PendingErrorClear();
    return quiet;
  }

  // One damaged file: a message or a database, the heap sound, and the list as it was. A
  // container opened without a word must give back the saved text.
  void Check(const std::string& bytes, const char* name, const std::string& expected,
             const std::string& what) {
    T_Base* opened = nullptr;
    const bool quiet = OpenQuietly(bytes, name, &opened);
    EXPECT_TRUE(opened != nullptr || !quiet) << what << ": refused without a word";
    if (opened != nullptr) {
      EXPECT_EQ(FirstBase(), opened) << what;
      EXPECT_EQ(opened->next, nullptr) << what;
      if (quiet && !expected.empty()) EXPECT_TRUE(TextFormOf(opened) == expected) << what;
      DeleteBase(opened, kCloseSilently);
    }
    EXPECT_EQ(FirstBase(), nullptr) << what;
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << what;
    AbortClear();
  }

  static void AbortClear() {
    PendingErrorClear();
    PendingError.abort.store(false, std::memory_order_relaxed);
  }
};

// Where each block of a container ends.
std::vector<size_t> BlockEnds(const std::string& file) {
  std::vector<size_t> ends;
  for (size_t at = kContainerHeaderSize; at + 8 <= file.size();) {
    at += 8 + static_cast<uint8_t>(file[at + 4]) * 256u + static_cast<uint8_t>(file[at + 5]);
    ends.push_back(at);
  }
  return ends;
}

// Damage of one kind, chosen by the seed: a cut, flipped bits, a run overwritten with bytes of
// elsewhere or with noise, or two pieces swapped (whole blocks when ends are given). *caught
// becomes false for damage a container's 16-bit block sum can miss: two or three flipped bits
// may cancel out in it, so such a file may open quietly with other content.
std::string Mutate(const std::string& whole, const std::vector<size_t>& ends, uint32_t* seed,
                   std::string* what, bool* caught) {
  *caught = true;
  std::string damaged = whole;
  const size_t size = whole.size();
  switch (NextRandom(seed) % 4) {
    case 0: {
      // Half the cuts fall in the first bytes, where the header and the first lines are.
      const size_t at = NextRandom(seed) % 2 ? NextRandom(seed) % 64 : NextRandom(seed) % size;
      *what = "cut at " + std::to_string(at);
      return whole.substr(0, at);
    }
    case 1: {
      const int32_t flips = 1 + static_cast<int32_t>(NextRandom(seed) % 3);
      *caught = flips == 1;
      *what = "bits flipped at";
      for (int32_t k = 0; k < flips; ++k) {
        const size_t at = NextRandom(seed) % size;
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << (NextRandom(seed) % 8)));
        *what += " " + std::to_string(at);
      }
      return damaged;
    }
    case 2: {
      const size_t length = 1 + NextRandom(seed) % 600;
      const size_t at = NextRandom(seed) % size;
      const size_t from = NextRandom(seed) % size;
      const bool noise = NextRandom(seed) % 2;
      for (size_t i = 0; i < length && at + i < size; ++i)
        damaged[at + i] = noise ? static_cast<char>(NextRandom(seed) >> 8) : whole[(from + i) % size];
      *what = "overwritten at " + std::to_string(at) + (noise ? " with noise" : " with a copy");
      return damaged;
    }
    default: {
      if (ends.size() >= 3) {
        const size_t a = 1 + NextRandom(seed) % (ends.size() - 1);
        size_t b = 1 + NextRandom(seed) % (ends.size() - 1);
        if (b == a) b = a == 1 ? 2 : a - 1;
        const size_t first = std::min(a, b);
        const size_t second = std::max(a, b);
        const size_t begin1 = ends[first - 1], end1 = ends[first];
        const size_t begin2 = ends[second - 1], end2 = ends[second];
        *what = "blocks " + std::to_string(first) + " and " + std::to_string(second) + " swapped";
        return whole.substr(0, begin1) + whole.substr(begin2, end2 - begin2) +
               whole.substr(end1, begin2 - end1) + whole.substr(begin1, end1 - begin1) +
               whole.substr(end2);
      }
      const size_t cut = NextRandom(seed) % size;
      *what = "halves swapped at " + std::to_string(cut);
      return whole.substr(cut) + whole.substr(0, cut);
    }
  }
}

TEST_F(MutatedFiles, EveryDamagedFileEndsInAMessageOrTheDatabaseItHolds) {
  T_Base* source = NewSample();
  const std::string expected = TextFormOf(source);
  const std::string container = Path("source.qeb");
  ASSERT_TRUE(SaveAs(source, container, kFileKindContainerN));
  const std::string text = Path("source.qex");
  ASSERT_TRUE(SaveAs(source, text, kFileKindTextForm));
  DeleteBase(source, kCloseSilently);

  const struct {
    const char* name;
    std::string bytes;
    bool checked;  // the format has checks: a quiet open must give the saved text
    int32_t rounds;
  } files[] = {
      {"damaged.qeb", ReadWholeFile(container), true, 3000},
      {"damaged.qex", ReadWholeFile(text), false, 1500},
  };
  for (const auto& file : files) {
    const std::vector<size_t> ends = file.checked ? BlockEnds(file.bytes) : std::vector<size_t>{};
    if (file.checked) ASSERT_GE(ends.size(), 3u);
    Check(file.bytes, file.name, file.checked ? expected : "", "undamaged");
    uint32_t seed = 47;
    for (int32_t round = 0; round < file.rounds && !HasFailure(); ++round) {
      std::string what;
      bool caught = true;
      const std::string damaged = Mutate(file.bytes, ends, &seed, &what, &caught);
      Check(damaged, file.name, file.checked && caught ? expected : "",
            std::string(file.name) + " round " + std::to_string(round) + ": " + what);
    }
  }
}

}  // namespace
