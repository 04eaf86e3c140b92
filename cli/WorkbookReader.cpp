// Reads the first worksheet of a workbook: the zip with libzip, its XML
// parts with expat, streamed, so that only the cells take memory.
#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>

#include "Errors.h"
#include "Workbook.h"
#include "WorkbookEscape.h"

namespace orrimax::cli {
namespace {

// Far beyond any roster's table (65,536 rows of 234 cells), well within
// memory: a hostile workbook is refused before it costs more.
constexpr std::size_t kMaxCells = std::size_t{1} << 25;
constexpr std::size_t kMaxText = std::size_t{1} << 30;
constexpr std::uint64_t kMaxPartSize = std::uint64_t{4} << 30;
// The sheet's own limits.
constexpr std::size_t kMaxRows = 1048576;
constexpr std::size_t kMaxColumns = 16384;

[[noreturn]] void Refuse(const std::string& why) {
  throw RosterError("Not a readable workbook: " + why);
}

// The element or attribute name without its namespace (expat gives
// "namespace\x01local").
constexpr char kNamespaceEnd = '\x01';
std::string_view Local(const char* name) {
  const std::string_view n(name);
  const auto end = n.rfind(kNamespaceEnd);
  return end == std::string_view::npos ? n : n.substr(end + 1);
}

// The attribute of that local name; `qualified` wants one with a namespace
// (r:id), otherwise one without.
const char* Attribute(const char** attributes, std::string_view local, bool qualified = false) {
  for (const char** a = attributes; *a; a += 2) {
    const bool hasNamespace = std::string_view(*a).find(kNamespaceEnd) != std::string_view::npos;
    if (Local(*a) == local && hasNamespace == qualified) return a[1];
  }
  return nullptr;
}

// One XML part's handler. A failure is kept and parsing stopped: no
// exception passes through the parser's C frames.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void Start(std::string_view name, const char** attributes) = 0;
  virtual void End(std::string_view name) = 0;
  virtual void Text(std::string_view) {}

  void Fail(const std::string& why) {
    if (!failure.empty()) return;
    failure = why;
    if (parser) XML_StopParser(parser, XML_FALSE);
  }
  std::string failure;
  XML_Parser parser = nullptr;
};

class Archive {
 public:
  explicit Archive(std::span<const std::uint8_t> bytes) {
    if (!LooksLikeWorkbook(bytes)) Refuse("it is not a zip archive");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) zip_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip_) {
      if (source) zip_source_free(source);
      const std::string why = zip_error_strerror(&error);
      zip_error_fini(&error);
      Refuse("its zip archive cannot be read (" + why + ")");
    }
    zip_error_fini(&error);
  }
  ~Archive() { zip_discard(zip_); }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool Has(const std::string& part) const {
    return zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE) >= 0;
  }

  // Streams a part through the parser in blocks.
  void Parse(const std::string& part, XmlHandler& handler) const {
    zip_file_t* file = zip_fopen(zip_, part.c_str(), ZIP_FL_NOCASE);
    if (!file) Refuse("it has no part " + part + " (" + zip_strerror(zip_) + ")");
    XML_Parser parser = XML_ParserCreateNS(nullptr, kNamespaceEnd);
    if (!parser) {
      zip_fclose(file);
      throw RosterError("Out of memory while reading the workbook");
    }
    Install(parser, handler);
    std::string failure;
    std::vector<char> block(1 << 16);
    std::uint64_t total = 0;
    while (failure.empty()) {
      const zip_int64_t got = zip_fread(file, block.data(), block.size());
      if (got < 0) {
        failure = std::string("its data is damaged (") + zip_file_strerror(file) + ")";
        break;
      }
      total += static_cast<std::uint64_t>(got);
      if (total > kMaxPartSize) {
        failure = "it is larger than any roster's table";
        break;
      }
      if (XML_Parse(parser, block.data(), static_cast<int>(got), got == 0) != XML_STATUS_OK) {
        failure = !handler.failure.empty()
                      ? handler.failure
                      : std::string("its XML is not well-formed (") +
                            XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
                            std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
      }
      if (got == 0) break;
    }
    if (failure.empty()) failure = handler.failure;
    handler.parser = nullptr;
    XML_ParserFree(parser);
    zip_fclose(file);
    if (!failure.empty()) Refuse(part + ": " + failure);
  }

 private:
  static void Install(XML_Parser parser, XmlHandler& handler) {
    struct Calls {
      static XmlHandler& Of(void* user) { return *static_cast<XmlHandler*>(user); }
      static void Start(void* user, const XML_Char* name, const XML_Char** attributes) {
        if (Of(user).failure.empty()) Of(user).Start(Local(name), attributes);
      }
      static void End(void* user, const XML_Char* name) {
        if (Of(user).failure.empty()) Of(user).End(Local(name));
      }
      static void Text(void* user, const XML_Char* text, int length) {
        if (Of(user).failure.empty())
          Of(user).Text(std::string_view(text, static_cast<std::size_t>(length)));
      }
      // A workbook has no document type; refusing one refuses every entity
      // that could expand.
      static void Doctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        Of(user).Fail("it has a document type declaration");
      }
    };
    handler.parser = parser;
    XML_SetUserData(parser, &handler);
    XML_SetElementHandler(parser, Calls::Start, Calls::End);
    XML_SetCharacterDataHandler(parser, Calls::Text);
    XML_SetStartDoctypeDeclHandler(parser, Calls::Doctype);
  }

  zip_t* zip_ = nullptr;
};

// ---- Package relationships ---------------------------------------------------

struct Relationship {
  std::string type, target;
};

class RelationshipsHandler : public XmlHandler {
 public:
  void Start(std::string_view name, const char** attributes) override {
    if (name != "Relationship") return;
    const char* id = Attribute(attributes, "Id");
    const char* type = Attribute(attributes, "Type");
    const char* target = Attribute(attributes, "Target");
    const char* mode = Attribute(attributes, "TargetMode");
    if (id && type && target && !(mode && std::string_view(mode) == "External"))
      byId[id] = {type, target};
  }
  void End(std::string_view) override {}
  std::map<std::string, Relationship> byId;
};

// The folder of a part, "xl/" for "xl/workbook.xml".
std::string FolderOf(const std::string& part) {
  const auto slash = part.rfind('/');
  return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

// A relationship's target as a part name: relative to the source's folder
// unless it starts with "/", with "." and ".." resolved.
std::string Resolve(const std::string& folder, const std::string& target) {
  const std::string path = target.starts_with('/') ? target.substr(1) : folder + target;
  std::vector<std::string> segments;
  for (std::size_t at = 0; at <= path.size();) {
    const auto slash = std::min(path.find('/', at), path.size());
    const std::string segment = path.substr(at, slash - at);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    at = slash + 1;
  }
  std::string part;
  for (const auto& s : segments) part += (part.empty() ? "" : "/") + s;
  return part;
}

std::map<std::string, Relationship> ReadRelationships(const Archive& zip, const std::string& part) {
  const std::string rels = FolderOf(part) + "_rels/" + part.substr(FolderOf(part).size()) + ".rels";
  if (!zip.Has(rels)) Refuse("it has no part " + rels);
  RelationshipsHandler handler;
  zip.Parse(rels, handler);
  return handler.byId;
}

bool HasType(const Relationship& r, std::string_view kind) {
  const std::string_view type = r.type;
  return type.ends_with(kind) && type.size() > kind.size() &&
         type[type.size() - kind.size() - 1] == '/';
}

class WorkbookHandler : public XmlHandler {
 public:
  void Start(std::string_view name, const char** attributes) override {
    if (name != "sheet") return;
    if (const char* id = Attribute(attributes, "id", true)) sheets.push_back(id);
  }
  void End(std::string_view) override {}
  std::vector<std::string> sheets;  // relationship IDs, in the workbook's order
};

// ---- Texts -------------------------------------------------------------------

// The text of a string item: its <t> elements, those of a rich text's runs
// too, but not its phonetic reading (<rPh>), escapes undone per element.
class StringItem {
 public:
  void Clear() { text.clear(); }
  void Start(std::string_view name) {
    if (name == "rPh") ++phonetic_;
    if (name == "t" && phonetic_ == 0) {
      inText_ = true;
      raw_.clear();
    }
  }
  void End(std::string_view name) {
    if (name == "rPh" && phonetic_ > 0) --phonetic_;
    if (name == "t" && inText_) {
      inText_ = false;
      DecodeWorkbookText(raw_, text);
    }
  }
  void Text(std::string_view data) {
    if (inText_) raw_ += data;
  }
  // xml:space needs nothing: the parser keeps every character of a text.
  std::string text;

 private:
  int phonetic_ = 0;
  bool inText_ = false;
  std::string raw_;
};

class SharedStringsHandler : public XmlHandler {
 public:
  void Start(std::string_view name, const char**) override {
    if (name == "si") {
      inItem_ = true;
      item_.Clear();
    } else if (inItem_) {
      item_.Start(name);
    }
  }
  void End(std::string_view name) override {
    if (name != "si") {
      if (inItem_) item_.End(name);
      return;
    }
    inItem_ = false;
    if (strings.CellCount() >= kMaxCells || strings.TextSize() + item_.text.size() > kMaxText)
      return Fail("it has more shared strings than any roster's table");
    strings.AddCell(item_.text);
  }
  void Text(std::string_view data) override {
    if (inItem_) item_.Text(data);
  }
  CellRows strings;  // one row of every item

  SharedStringsHandler() { strings.StartRow(); }

 private:
  bool inItem_ = false;
  StringItem item_;
};

// ---- The worksheet -------------------------------------------------------------

// "AB12" as column 27 and row 11; false for anything else.
bool ParseCellName(std::string_view name, std::size_t& row, std::size_t& column) {
  std::size_t at = 0, c = 0;
  while (at < name.size() && name[at] >= 'A' && name[at] <= 'Z' && at < 3)
    c = c * 26 + static_cast<std::size_t>(name[at++] - 'A' + 1);
  std::size_t r = 0;
  const auto [end, error] = std::from_chars(name.data() + at, name.data() + name.size(), r);
  if (at == 0 || error != std::errc() || end != name.data() + name.size() || r == 0) return false;
  row = r - 1;
  column = c - 1;
  return true;
}

class SheetHandler : public XmlHandler {
 public:
  explicit SheetHandler(const CellRows& shared) : shared_(shared) {}

  void Start(std::string_view name, const char** attributes) override {
    if (inCell_) {
      if (name == "v") {
        inValue_ = true;
      } else if (name == "is") {
        inInline_ = true;
      } else if (inInline_) {
        inline_.Start(name);
      }
    } else if (name == "row") {
      StartRow(Attribute(attributes, "r"));
    } else if (name == "c" && inRow_) {
      StartCell(Attribute(attributes, "r"), Attribute(attributes, "t"));
    }
  }

  void End(std::string_view name) override {
    if (name == "c" && inCell_) {
      EndCell();
    } else if (inCell_) {
      if (name == "v") inValue_ = false;
      if (name == "is") inInline_ = false;
      if (inInline_) inline_.End(name);
    } else if (name == "row") {
      inRow_ = false;
    }
  }

  void Text(std::string_view data) override {
    if (inValue_) value_ += data;
    if (inInline_) inline_.Text(data);
  }

  CellRows rows;

 private:
  void StartRow(const char* reference) {
    std::size_t row = rows.rows();
    if (reference) {
      const auto [end, error] = std::from_chars(reference, reference + std::strlen(reference), row);
      if (error != std::errc() || *end != '\0' || row == 0 || row > kMaxRows)
        return Fail("a row has the number \"" + std::string(reference) + "\"");
      --row;
      if (row < rows.rows()) return Fail("row " + std::to_string(row + 1) + " is out of order");
    }
    if (row >= kMaxRows) return Fail("it has more rows than a sheet can");
    while (rows.rows() <= row) rows.StartRow();  // rows it skips are empty
    inRow_ = true;
  }

  void StartCell(const char* reference, const char* type) {
    const std::size_t row = rows.rows() - 1;
    std::size_t column = rows.cells(row);
    if (reference) {
      std::size_t cellRow = 0;
      if (!ParseCellName(reference, cellRow, column) || cellRow != row)
        return Fail("row " + std::to_string(row + 1) + " holds a cell named \"" + reference + "\"");
      if (column < rows.cells(row))
        return Fail("cell " + std::string(reference) + " is out of order");
    }
    if (column >= kMaxColumns) return Fail("it has more columns than a sheet can");
    if (rows.CellCount() + (column - rows.cells(row)) >= kMaxCells)
      return Fail("it has more cells than any roster's table");
    while (rows.cells(row) < column) rows.AddCell({});  // cells it skips are empty
    type_ = type ? type : "n";
    inCell_ = true;
    value_.clear();
    inline_.Clear();
  }

  void EndCell() {
    inCell_ = inValue_ = inInline_ = false;
    text_.clear();
    if (type_ == "s") {
      std::size_t index = 0;
      const auto begin = value_.find_first_not_of(" \t\r\n");
      const auto last = value_.find_last_not_of(" \t\r\n");
      const char* from = value_.data() + (begin == std::string::npos ? value_.size() : begin);
      const char* to = value_.data() + (last == std::string::npos ? value_.size() : last + 1);
      const auto [end, error] = std::from_chars(from, to, index);
      if (error != std::errc() || end != to || index >= shared_.cells(0))
        return Fail("a cell refers to shared string \"" + value_ + "\", which it does not have");
      text_ = shared_.cell(0, index);
    } else if (type_ == "inlineStr") {
      text_ = inline_.text;
    } else if (type_ == "str") {
      DecodeWorkbookText(value_, text_);
    } else {
      text_ = value_;  // a number, boolean, error or date, as stored
    }
    if (rows.TextSize() + text_.size() > kMaxText)
      return Fail("it has more text than any roster's table");
    rows.AddCell(text_);
  }

  const CellRows& shared_;
  bool inRow_ = false, inCell_ = false, inValue_ = false, inInline_ = false;
  std::string type_, value_, text_;
  StringItem inline_;
};

}  // namespace

CellRows ReadWorkbook(std::span<const std::uint8_t> bytes) {
  const Archive zip(bytes);
  if (!zip.Has("_rels/.rels")) Refuse("it has no part _rels/.rels");
  RelationshipsHandler package;
  zip.Parse("_rels/.rels", package);
  std::string book;
  for (const auto& [id, r] : package.byId)
    if (HasType(r, "officeDocument")) book = Resolve("", r.target);
  if (book.empty()) Refuse("it names no workbook part");

  WorkbookHandler workbook;
  zip.Parse(book, workbook);
  const auto relationships = ReadRelationships(zip, book);
  std::string sheet, strings;
  for (const std::string& id : workbook.sheets) {
    const auto it = relationships.find(id);
    if (it != relationships.end() && HasType(it->second, "worksheet")) {
      sheet = Resolve(FolderOf(book), it->second.target);
      break;
    }
  }
  if (sheet.empty()) Refuse("it has no worksheet");
  for (const auto& [id, r] : relationships)
    if (HasType(r, "sharedStrings")) strings = Resolve(FolderOf(book), r.target);

  SharedStringsHandler shared;
  if (!strings.empty()) zip.Parse(strings, shared);
  SheetHandler cells(shared.strings);
  zip.Parse(sheet, cells);
  return std::move(cells.rows);
}

}  // namespace orrimax::cli
