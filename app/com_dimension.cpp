#include "app/com_dimension.h"

#include <new>

#include "app/com_calls.h"
#include "app/com_object.h"
#include "core/bit_vector.h"
#include "core/criteria.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/component_text.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "import/dimension_import.h"
#include "qeb_automation.h"

namespace {

constexpr short kDefaultDisplayStyle = 3;  // dcCodeText

class CDimension : public T_DualObject<IDimension, &IID_IDimension> {
 public:
  explicit CDimension(IUnknown* outer) : T_DualObject(outer) {}

  void Attach(T_Base* base, int32_t index) {
    hold_.base = base;
    index_ = index;
  }

  HRESULT STDMETHODCALLTYPE get_Number(short* number) override {
    ComEntry entry;
    *number = static_cast<short>(index_ + 1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Singular(BSTR title) override {
    ComEntry entry;
    if (DimensionRecord* dimension = Record()) SetSingular(dimension, Text(title).c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Singular(BSTR* title) override {
    ComEntry entry;
    *title = BstrResult(hold_.base ? hold_.base->GetDimSingular(index_) : "");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Plural(BSTR title) override {
    ComEntry entry;
    if (DimensionRecord* dimension = Record()) SetPlural(dimension, Text(title).c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Plural(BSTR* title) override {
    ComEntry entry;
    *title = BstrResult(hold_.base ? hold_.base->GetDimPlural(index_) : "");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_DimString(short style) override {
    ComEntry entry;
    // A negative style would mean "the dimension's own", a circle in the dimension itself.
    if (style < 0 || style > 6) style = kDefaultDisplayStyle;
    if (DimensionRecord* dimension = Record()) SetDisplayStyle(dimension, style);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_DimString(short* style) override {
    ComEntry entry;
    DimensionRecord* dimension = Record();
    *style = dimension ? static_cast<short>(dimension->displayStyle) : kDefaultDisplayStyle;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ComponentsInUse(long* count) override {
    ComEntry entry;
    *count = CountUsed(false);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ActiveComponents(long* count) override {
    ComEntry entry;
    *count = CountUsed(true);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_TotalComponents(long* count) override {
    ComEntry entry;
    *count = hold_.base ? static_cast<long>(CountDimensionComponents(hold_.base, index_)) : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Import(BSTR filename, long* error) override {
    ComEntry entry;
    if (!hold_.base) {
      *error = kComErrorBaseInvalid;
      return S_OK;
    }
    T_TextBuf name, path;
    TextFromBstr(&name, filename);
    PathResolve(&path, name.c_str(), hold_.base->path ? hold_.base->path->c_str() : "");
    *error = GuardedImport(path.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ImportText(BSTR text, long* error) override {
    ComEntry entry;
    if (!hold_.base) {
      *error = kComErrorBaseInvalid;
    } else if (!text) {
      *error = kComErrorInvalidParameter;
    } else if (!*text) {
      *error = kComErrorNone;
    } else {
      // Through a temporary file, which goes again after the import.
      T_TextBuf path;
      MakeTempFileName(&path);
      if (path.empty() || !WriteBstrToFile(path.c_str(), text)) {
        *error = kComErrorMissingResource;
      } else {
        *error = GuardedImport(path.c_str());
      }
      if (!path.empty()) FileDelete(path.c_str());
    }
    return S_OK;
  }
  int32_t GuardedImport(const char* path) {
    T_ComCall call(T_ComCall::kGuarded);
    const bool imported = ImportIntoDimension(hold_.base, index_, path);
    return call.Finish(!imported);
  }
  HRESULT STDMETHODCALLTYPE Export(BSTR filename, long* error) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) {
      *error = kComErrorBaseInvalid;
      return S_OK;
    }
    T_TextBuf name, path;
    TextFromBstr(&name, filename);
    if (name.empty()) {
      *error = -110;  // errOpeningFile
      return S_OK;
    }
    PathResolve(&path, name.c_str(), base->path ? base->path->c_str() : "");
    T_ComCall call(T_ComCall::kSilent);
    T_OStreamFile output;
    bool written = output.Open(path.c_str(), 0);
    if (written) {
      WriteDimensionComponents(base, &output, index_);
      written = output.Close();
    }
    *error = call.Finish(!written);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExportText(BSTR* text) override {
    ComEntry entry;
    T_OStream output;
    if (hold_.base) {
      T_ComCall call(T_ComCall::kSilent);
      WriteDimensionComponents(hold_.base, &output, index_);
      call.Finish(false);
    }
    *text = BstrResultBytes(reinterpret_cast<const char*>(output.start), output.BufferedLength());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExportComponents(BSTR root, BSTR filter, BSTR levels,
                                             BSTR* text) override {
    ComEntry entry;
    T_OStream output;
    if (hold_.base) {
      T_TextBuf start, filterText, levelText;
      TextFromBstr(&start, root);
      TextFromBstr(&filterText, filter);
      TextFromBstr(&levelText, levels);
      CriteriaPattern pattern;
      Criteria_Init(&pattern);
      Criteria_Compile(&pattern, &filterText, -1, false);
      int32_t depth = levelText.empty() ? -1 : StrToInt(levelText.c_str());
      T_ComCall call(T_ComCall::kSilent);
      WriteDimensionComponentsFiltered(hold_.base, &output, index_, start.c_str(), &pattern,
                                       depth);
      call.Finish(false);
      MemFreeHeld(&pattern);
    }
    *text = BstrResultBytes(reinterpret_cast<const char*>(output.start), output.BufferedLength());
    return S_OK;
  }

 private:
  DimensionRecord* Record() const { return hold_.base ? hold_.base->dimensions[index_] : nullptr; }
  static T_TextBuf Text(BSTR bstr) {
    T_TextBuf text;
    TextFromBstr(&text, bstr);
    return text;
  }
  // The components the lines (cards for the first dimension) use, with their ancestors when
  // asked; 0 when the abort flag stops the count.
  long CountUsed(bool withAncestors) {
    T_Base* base = hold_.base;
    if (!base || AbortRequested()) return 0;
    BitVector set;
    base->MarkUsedComponents(&set, index_);
    if (withAncestors) {
      CompCloseUpward(base, &set);
      for (int32_t root = 0; root < kDimensionCount; ++root) {
        if (root < set.count) BitVecSet(&set, root, false);
      }
    }
    long count = AbortRequested() ? 0 : static_cast<long>(BitVecCount(&set));
    BitVecFree(&set);
    return count;
  }

  ComBaseHold hold_;
  int32_t index_ = 0;
};

}  // namespace

HRESULT CreateDimensionObject(IUnknown* outer, CUnknown** object) {
  *object = new (std::nothrow) CDimension(outer);
  return *object ? S_OK : E_OUTOFMEMORY;
}

void AttachDimension(IDimension* object, T_Base* base, int32_t index) {
  static_cast<CDimension*>(object)->Attach(base, index);
}
