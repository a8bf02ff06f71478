#include "xml/Xml.h"

#include <cstdint>
#include <string_view>

#include "platform/Text.h"

namespace vantrel::xml {

namespace {

bool IsBlank(wchar_t ch) {
    return static_cast<uint32_t>(ch) <= 0x20;
}

bool EndsName(wchar_t ch) {
    return IsBlank(ch) || ch == L'/' || ch == L'>' || ch == L'<' || ch == L'=';
}

int DigitValue(wchar_t ch, bool hex) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (hex && ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (hex && ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

// A reference that starts at s[at] (the "&"): its decoded text and its length, or false when
// the "&" begins no reference and so stands for itself.
bool DecodeReference(const std::wstring& s, size_t at, size_t end, std::wstring& out, size_t& length) {
    static const struct {
        const wchar_t* name;
        wchar_t ch;
    } kEntities[] = {{L"amp;", L'&'}, {L"lt;", L'<'}, {L"gt;", L'>'}, {L"apos;", L'\''}, {L"quot;", L'"'}};
    for (const auto& entity : kEntities) {
        std::wstring_view name(entity.name);
        if (end - at - 1 >= name.size() && s.compare(at + 1, name.size(), name) == 0) {
            out.push_back(entity.ch);
            length = 1 + name.size();
            return true;
        }
    }
    size_t i = at + 1;
    if (i >= end || s[i] != L'#') return false;
    ++i;
    bool hex = i < end && (s[i] == L'x' || s[i] == L'X');
    if (hex) ++i;
    uint32_t value = 0;
    size_t digits = 0;
    for (; i < end; ++i, ++digits) {
        int d = DigitValue(s[i], hex);
        if (d < 0) break;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        if (value > 0x10FFFF) return false;  // also keeps the sum from overflowing
    }
    if (digits == 0 || i >= end || s[i] != L';') return false;
    if (value == 0 || (value >= 0xD800 && value < 0xE000)) return false;
    AppendCodePoint(out, value);
    length = i + 1 - at;
    return true;
}

// Character data s[from, to) with its references decoded, appended to out.
void AppendDecoded(std::wstring& out, const std::wstring& s, size_t from, size_t to) {
    for (size_t i = from; i < to;) {
        size_t length = 0;
        if (s[i] == L'&' && DecodeReference(s, i, to, out, length)) {
            i += length;
        } else {
            out.push_back(s[i]);
            ++i;
        }
    }
}

bool StartsWith(const std::wstring& s, size_t at, std::wstring_view prefix) {
    return s.size() - at >= prefix.size() && s.compare(at, prefix.size(), prefix) == 0;
}

}  // namespace

// One pass over the decoded text with an explicit stack of open elements. It stops at the first
// fault; elements still open then stay incomplete and are never found.
class Document::Parser {
  public:
    Parser(Document& doc, std::wstring text) : doc_(doc), s_(std::move(text)) {}

    bool Run() {
        size_t n = s_.size();
        if (n > 0 && s_[0] == static_cast<wchar_t>(0xFEFF)) i_ = 1;
        bool ok = true;
        while (i_ < n && ok) {
            if (s_[i_] != L'<') {
                Text();
                continue;
            }
            if (StartsWith(s_, i_, L"<!--")) {
                ok = SkipPast(i_ + 4, L"-->");
            } else if (StartsWith(s_, i_, L"<![CDATA[")) {
                size_t end = s_.find(L"]]>", i_ + 9);
                if (end == std::wstring::npos) break;
                if (!open_.empty()) Current().text_.append(s_, i_ + 9, end - i_ - 9);
                i_ = end + 3;
            } else if (StartsWith(s_, i_, L"<!")) {
                ok = SkipDeclaration();
            } else if (StartsWith(s_, i_, L"<?")) {
                ok = SkipPast(i_ + 2, L"?>");
            } else if (StartsWith(s_, i_, L"</")) {
                ok = EndTag();
            } else {
                ok = StartTag();
            }
        }
        return ok && i_ >= n && open_.empty() && rootDone_ && clean_;
    }

  private:
    Element& Current() { return doc_.elements_[open_.back()]; }

    void Text() {
        size_t end = s_.find(L'<', i_);
        if (end == std::wstring::npos) end = s_.size();
        if (!open_.empty()) {
            AppendDecoded(Current().text_, s_, i_, end);
        } else {
            for (size_t k = i_; k < end; ++k)
                if (!IsBlank(s_[k])) clean_ = false;  // text outside the root: not well-formed, but harmless
        }
        i_ = end;
    }

    bool SkipPast(size_t from, std::wstring_view terminator) {
        size_t end = s_.find(terminator, from);
        if (end == std::wstring::npos) return false;
        i_ = end + terminator.size();
        return true;
    }

    // <!DOCTYPE ...> with an optional internal subset in brackets.
    bool SkipDeclaration() {
        int depth = 0;
        for (size_t k = i_ + 2; k < s_.size(); ++k) {
            if (s_[k] == L'[') ++depth;
            if (s_[k] == L']' && depth > 0) --depth;
            if (s_[k] == L'>' && depth == 0) {
                i_ = k + 1;
                return true;
            }
        }
        return false;
    }

    std::wstring Name() {
        size_t start = i_;
        while (i_ < s_.size() && !EndsName(s_[i_]))
            ++i_;
        return s_.substr(start, i_ - start);
    }

    void SkipBlanks() {
        while (i_ < s_.size() && IsBlank(s_[i_]))
            ++i_;
    }

    bool EndTag() {
        i_ += 2;
        std::wstring name = Name();
        SkipBlanks();
        if (i_ >= s_.size() || s_[i_] != L'>') return false;
        ++i_;
        if (open_.empty() || Current().name_ != name) return false;
        Close();
        return true;
    }

    bool StartTag() {
        ++i_;
        std::wstring name = Name();
        if (name.empty() || rootDone_) return false;
        // Attributes are read past and dropped.
        for (;;) {
            SkipBlanks();
            if (i_ >= s_.size()) return false;
            if (s_[i_] == L'>' || StartsWith(s_, i_, L"/>")) break;
            if (Name().empty()) return false;
            SkipBlanks();
            if (i_ >= s_.size() || s_[i_] != L'=') return false;
            ++i_;
            SkipBlanks();
            if (i_ >= s_.size() || (s_[i_] != L'"' && s_[i_] != L'\'')) return false;
            size_t end = s_.find(s_[i_], i_ + 1);
            if (end == std::wstring::npos) return false;
            i_ = end + 1;
        }
        bool empty = s_[i_] == L'/';
        i_ += empty ? 2 : 1;

        size_t index = doc_.elements_.size();
        Element element;
        element.doc_ = &doc_;
        element.name_ = std::move(name);
        doc_.elements_.push_back(std::move(element));
        parents_.push_back(open_.empty() ? SIZE_MAX : open_.back());
        open_.push_back(index);
        if (empty) Close();
        return true;
    }

    // The innermost open element is complete: its parent gets it as a child.
    void Close() {
        size_t index = open_.back();
        open_.pop_back();
        doc_.elements_[index].complete_ = true;
        size_t parent = parents_[index];
        if (parent != SIZE_MAX) doc_.elements_[parent].children_.push_back(index);
        if (open_.empty()) rootDone_ = true;
    }

    Document& doc_;
    std::wstring s_;
    size_t i_ = 0;
    std::vector<size_t> open_;     // indices of the open elements, innermost last
    std::vector<size_t> parents_;  // parent index of each element, SIZE_MAX for the root
    bool rootDone_ = false;
    bool clean_ = true;
};

bool Document::Parse(const std::string& utf16le) {
    elements_.clear();
    Parser parser(*this, FromUtf16Le(utf16le));
    return parser.Run();
}

const Element* Document::Root() const {
    return elements_.empty() ? nullptr : &elements_.front();
}

const Element* Document::Find(const std::wstring& name) const {
    // The settings file's names are ASCII: folding A-Z alone keeps the match independent of the locale.
    const std::wstring wanted = AsciiLower(name);
    for (size_t i = 1; i < elements_.size(); ++i)
        if (elements_[i].complete_ && elements_[i].name_.size() == wanted.size() &&
            AsciiLower(elements_[i].name_) == wanted)
            return &elements_[i];
    return nullptr;
}

std::wstring Element::Text() const {
    size_t begin = 0, end = text_.size();
    while (begin < end && IsBlank(text_[begin]))
        ++begin;
    while (end > begin && IsBlank(text_[end - 1]))
        --end;
    return text_.substr(begin, end - begin);
}

const Element& Element::Child(size_t index) const {
    return doc_->elements_.at(children_.at(index));
}

}  // namespace vantrel::xml
