#pragma once
// Two open databases in a scratch folder ("own.qeb" and "other.qeb") with a third file beside
// them that no database has open ("closed.qeb"), alerts answered by message, and the services a
// link or a menu entry reaches recorded: the card editor, opening a file (a new database of that
// path), the signature stamp, the commands a macro runs, the windows of templates and the
// editors of stored objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../core/streams/scratch_folder.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/lines.h"
#include "database/link_handlers.h"
#include "database/object_services.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/time_scale.h"
#include "tests/database/base/base_fixture.h"
#include "tests/database/templates/templates_fixture.h"
#include "ui/document_window.h"
#include "ui/menu_model.h"

namespace links_test {

struct Opened {
  T_Base* base;
  CardId id;
  int32_t line;
};

struct Recorded {
  std::vector<Opened> cards;
  std::vector<std::string> openedFiles;
  std::vector<std::string> commands;  // "title: text"
  std::vector<std::pair<T_Template*, int32_t>> windows;
  // "kind name" of each editor opened, and the database it was opened in.
  std::vector<std::string> editors;
  std::vector<T_Base*> editorBases;
  static Recorded& Get() {
    static Recorded recorded;
    return recorded;
  }
};

inline T_HWindow* RecordWindow(T_Template* templ, T_Template*, int32_t flags) {
  Recorded::Get().windows.push_back({templ, flags});
  return nullptr;
}

inline void Editor(T_Base* base, const char* kind, const char* name) {
  Recorded::Get().editors.push_back(std::string(kind) + " " + (name ? name : ""));
  Recorded::Get().editorBases.push_back(base);
}

inline const ObjectServices& RecordingServices() {
  static ObjectServices services = [] {
    ObjectServices s{};
    s.openCardEditor = [](T_Base* base, const CardId* id, int32_t line) {
      Recorded::Get().cards.push_back({base, *id, line});
    };
    // Every file opens as a database holding card 121122-2.
    s.openDatabase = [](const char* path) {
      Recorded::Get().openedFiles.push_back(path);
      auto* base = new T_Base(path, 0);
      CardId id{PackDate(2012, 11, 22), 2};
      CreateCard(base, &id);
      return base;
    };
    s.signatureStamp = [](SignatureStamp* stamp) {
      *stamp = SignatureStamp{PackTimeStamp(2024, 3, 15, 9, 30), "ABC"};
    };
    s.runCommands = [](T_Base*, T_IStream* stream) {
      std::string text(reinterpret_cast<const char*>(stream->base),
                       static_cast<size_t>(stream->dataEnd - stream->base));
      Recorded::Get().commands.push_back(std::string(CurrentCommandTitle()) + ": " + text);
    };
    s.openSaveSetupEditor = [](T_Base* base, SaveSetup* setup) {
      Editor(base, "save setup", setup->name);
    };
    s.openImportSetupEditor = [](T_Base* base, ImportSetup* setup) {
      Editor(base, "import setup", setup->name);
    };
    s.openTimeScaleEditor = [](T_Base* base, TimeScale* scale) {
      Editor(base, "time scale", scale->name);
    };
    s.openMacroEditor = [](T_Base* base, Macro* macro) { Editor(base, "macro", macro->name); };
    return s;
  }();
  return services;
}

inline std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

class LinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    Recorded::Get() = Recorded{};
    SetObjectServices(&RecordingServices());
    for (int32_t kind = 1; kind <= 5; ++kind) SetWindowOpener(kind, RecordWindow);
    WriteWholeFile(folder / "own.qeb", "x");
    WriteWholeFile(folder / "other.qeb", "x");
    WriteWholeFile(folder / "closed.qeb", "x");
    own = new T_Base((folder / "own.qeb").c_str(), 0);
    other = new T_Base((folder / "other.qeb").c_str(), 0);
  }
  void TearDown() override {
    while (FirstBase()) delete FirstBase();
    SetObjectServices(nullptr);
    for (int32_t kind = 1; kind <= 5; ++kind) SetWindowOpener(kind, nullptr);
    PendingErrorClear();
  }

  static CardId Id(int32_t year, int32_t month, int32_t day, int32_t number) {
    return CardId{PackDate(year, month, day), number};
  }
  // The card asked for gets exactly the number (the tests ask for free ones).
  static CardRecord* Card(T_Base* base, CardId id, const char* notes = nullptr) {
    CardRecord* card = CreateCard(base, &id);
    if (notes) SetCardNotes(card, notes);
    return card;
  }
  static T_Template* Template(T_Base* base, const char* path, int32_t kind = kTemplateCards) {
    return templates_test::StoreNewTemplate(base, path, kind);
  }
  static T_LinkHandler* Handler(T_Base* base, const char* tag) {
    for (T_LinkHandler* h = base->linkContext->firstHandler; h; h = h->next) {
      if (std::string(h->tag) == tag) return h;
    }
    return nullptr;
  }

  base_test::T_AnswerByMessage answers;
  ScratchFolder folder;
  T_Base* own = nullptr;
  T_Base* other = nullptr;
};

}  // namespace links_test
