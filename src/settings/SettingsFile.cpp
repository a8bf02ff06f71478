#include "settings/SettingsFile.h"

#include <cstdint>
#include <optional>

#include "platform/Text.h"
#include "xml/Xml.h"

namespace vantrel {

StringList DefaultExcludedExt() {
    return {L"*.dlm", L"*.lnk", L"*.Getright", L"*.tmp", L"*.part"};
}

StringList DefaultExcludedFiles() {
    return {L"New Text Document.*", L"New Wordpad Document.*", L"New Rich Text Document.*",
            L"New Word Document.*", L"New Excel Document.*",   L"New Shortcut.*",
            L"New Folder.*"};
}

Settings DefaultSettings(const std::wstring& destination) {
    Settings s;  // the scalar defaults are the members' initialisers
    s.DestinationFolder = destination;
    s.ExcludedExt = DefaultExcludedExt();
    s.ExcludedFiles = DefaultExcludedFiles();
    return s;
}

namespace {

std::wstring Escape(const std::wstring& value) {
    std::wstring out;
    out.reserve(value.size());
    for (wchar_t ch : value) {
        if (ch == L'&')
            out += L"&amp;";
        else if (ch == L'<')
            out += L"&lt;";
        else
            out.push_back(ch);
    }
    return out;
}

class Writer {
  public:
    void Line(const std::wstring& line) { text_ += line + L"\r\n"; }
    void Value(const wchar_t* name, const std::wstring& value) {
        Line(std::wstring(L"\t<") + name + L">" + Escape(value) + L"</" + name + L">");
    }
    void Bool(const wchar_t* name, bool value) {
        Line(std::wstring(L"\t<") + name + L">" + (value ? L"true" : L"false") + L"</" + name + L">");
    }
    void Int(const wchar_t* name, int32_t value) {
        Line(std::wstring(L"\t<") + name + L">" + IntToStr(value) + L"</" + name + L">");
    }
    void List(const wchar_t* name, const wchar_t* entry, const StringList& values) {
        Line(std::wstring(L"\t<") + name + L">");
        for (const auto& value : values)
            Line(std::wstring(L"\t\t<") + entry + L">" + Escape(value) + L"</" + entry + L">");
        Line(std::wstring(L"\t</") + name + L">");
    }
    const std::wstring& Text() const { return text_; }

  private:
    std::wstring text_;
};

std::optional<bool> ToBool(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    switch (text[0]) {
        case L'T':
        case L't':
        case L'Y':
        case L'y':
            return true;
        case L'F':
        case L'f':
        case L'N':
        case L'n':
            return false;
        default:
            return std::nullopt;
    }
}

std::optional<int32_t> ToInt(const std::wstring& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        value = value * 10 + (text[i] - L'0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

class Reader {
  public:
    explicit Reader(const std::string& bytes) { doc_.Parse(bytes); }

    std::optional<std::wstring> Text(const wchar_t* name) const {
        const xml::Element* element = doc_.Find(name);
        if (!element) return std::nullopt;
        return element->Text();
    }
    void Bool(const wchar_t* name, bool& field) const {
        if (auto text = Text(name))
            if (auto value = ToBool(*text)) field = *value;
    }
    void Int(const wchar_t* name, int32_t& field) const {
        if (auto text = Text(name))
            if (auto value = ToInt(*text)) field = *value;
    }
    void List(const wchar_t* name, StringList& field) const {
        const xml::Element* element = doc_.Find(name);
        if (!element) return;
        StringList values;
        for (size_t i = 0; i < element->ChildCount(); ++i)
            values.push_back(element->Child(i).Text());
        field = std::move(values);
    }

  private:
    xml::Document doc_;
};

}  // namespace

std::string SettingsToBytes(const Settings& s) {
    Writer w;
    w.Line(L"<Vantrel>");
    w.Value(L"DestinationFolder", s.DestinationFolder);
    w.Bool(L"MoveFolder", s.MoveFolder);
    w.Int(L"MoveFolderDelay", s.MoveFolderDelay);
    w.List(L"AlternateFolders", L"AltFolder", s.AlternateFolders);
    w.Bool(L"QuickNote", s.QuickNote);
    w.Bool(L"RenameFile", s.RenameFile);
    w.Bool(L"RenameFolder", s.RenameFolder);
    w.Bool(L"MoveRenamed", s.MoveRenamed);
    w.Bool(L"TryToMove", s.TryToMove);
    w.Int(L"TryCount", s.TryCount);
    w.Bool(L"ShowIcon", s.ShowIcon);
    w.Bool(L"SaveNoteFiles", s.SaveNoteFiles);
    w.List(L"ExcludedExt", L"Ext", s.ExcludedExt);
    w.List(L"ExcludedFiles", L"File", s.ExcludedFiles);
    w.Line(L"</Vantrel>");
    return "\xFF\xFE" + ToUtf16Le(w.Text());
}

Settings SettingsFromBytes(const std::string& bytes, const std::wstring& defaultDestination) {
    Settings s = DefaultSettings(defaultDestination);
    Reader r(bytes);
    if (auto destination = r.Text(L"DestinationFolder")) s.DestinationFolder = WithTrailingBackslash(*destination);
    r.Bool(L"QuickNote", s.QuickNote);
    r.Bool(L"RenameFile", s.RenameFile);
    r.Bool(L"RenameFolder", s.RenameFolder);
    r.Bool(L"MoveRenamed", s.MoveRenamed);
    r.Bool(L"TryToMove", s.TryToMove);
    r.Int(L"TryCount", s.TryCount);
    r.Bool(L"SaveNoteFiles", s.SaveNoteFiles);
    r.Bool(L"ShowIcon", s.ShowIcon);
    r.Bool(L"MoveFolder", s.MoveFolder);
    r.Int(L"MoveFolderDelay", s.MoveFolderDelay);
    r.List(L"AlternateFolders", s.AlternateFolders);
    r.List(L"ExcludedExt", s.ExcludedExt);
    r.List(L"ExcludedFiles", s.ExcludedFiles);
    return s;
}

}  // namespace vantrel
