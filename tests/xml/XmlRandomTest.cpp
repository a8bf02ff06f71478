// Bounded random inputs for the XML reader, run with every build (the sanitizers catch what a
// plain run would not): random trees must read back exactly, and garbage, token soup and
// every cut or corruption of a valid document must neither crash nor hang.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "xml/Xml.h"

namespace vantrel::xml {
namespace {

using Clock = std::chrono::steady_clock;

// Looks at everything the reader offers, without recursion.
size_t Walk(const Document& doc) {
    size_t seen = 0;
    for (const wchar_t* name : {L"a", L"b", L"B", L"item", L"DestinationFolder"})
        if (const Element* e = doc.Find(name)) seen += e->Text().size();
    std::vector<const Element*> stack;
    if (doc.Root()) stack.push_back(doc.Root());
    while (!stack.empty()) {
        const Element* e = stack.back();
        stack.pop_back();
        seen += e->Text().size() + e->Name().size();
        for (size_t i = 0; i < e->ChildCount(); ++i)
            stack.push_back(&e->Child(i));
    }
    return seen;
}

struct Node {
    std::wstring name, text;
    std::vector<Node> children;
};

std::wstring RandomText(std::mt19937& rng) {
    static const wchar_t kPieces[][4] = {L"a",  L"Z", L"&",      L"<",      L">", L"'", L"\"",
                                         L"\\", L" ", L"\u00e9", L"\u65e5", L"1", L";", L"#"};
    std::wstring text;
    int n = std::uniform_int_distribution<int>(0, 8)(rng);
    for (int i = 0; i < n; ++i)
        text += kPieces[std::uniform_int_distribution<size_t>(0, std::size(kPieces) - 1)(rng)];
    // Values are trimmed when read; keep the comparison about the content.
    while (!text.empty() && text.front() == L' ')
        text.erase(text.begin());
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return text;
}

Node RandomTree(std::mt19937& rng, int depth) {
    static const wchar_t* kNames[] = {L"a", L"b", L"item", L"Folder", L"x-y", L"n.1"};
    Node node;
    node.name = kNames[std::uniform_int_distribution<size_t>(0, std::size(kNames) - 1)(rng)];
    if (depth > 0 && rng() % 2) {
        int n = std::uniform_int_distribution<int>(0, 4)(rng);
        for (int i = 0; i < n; ++i)
            node.children.push_back(RandomTree(rng, depth - 1));
    } else {
        node.text = RandomText(rng);
    }
    return node;
}

std::wstring Escape(const std::wstring& text, std::mt19937& rng) {
    std::wstring out;
    for (wchar_t ch : text) {
        if (ch == L'&')
            out += rng() % 2 ? L"&amp;" : L"&#38;";
        else if (ch == L'<')
            out += rng() % 2 ? L"&lt;" : L"&#x3C;";
        else
            out.push_back(ch);
    }
    return out;
}

std::wstring Write(const Node& node, std::mt19937& rng) {
    if (node.children.empty() && node.text.empty() && rng() % 2) return L"<" + node.name + L"/>";
    std::wstring out = L"<" + node.name + L">" + Escape(node.text, rng);
    for (const auto& child : node.children)
        out += L"\r\n\t" + Write(child, rng);
    return out + L"</" + node.name + L">";
}

void ExpectSame(const Node& want, const Element& got) {
    ASSERT_EQ(got.Name(), want.name);
    ASSERT_EQ(got.Text(), want.text);
    ASSERT_EQ(got.ChildCount(), want.children.size());
    for (size_t i = 0; i < want.children.size(); ++i)
        ExpectSame(want.children[i], got.Child(i));
}

TEST(XmlRandom, RandomTreesReadBackExactly) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 2000; ++round) {
        Node tree = RandomTree(rng, 5);
        std::string bytes = "\xFF\xFE" + ToUtf16Le(Write(tree, rng) + L"\r\n");
        Document doc;
        ASSERT_TRUE(doc.Parse(bytes)) << "round " << round;
        ASSERT_NE(doc.Root(), nullptr);
        ExpectSame(tree, *doc.Root());
        if (HasFatalFailure()) return;
    }
}

TEST(XmlRandom, GarbageTokenSoupAndDamagedDocumentsNeverCrashOrHang) {
    static const std::wstring kTokens[] = {
        L"<",      L">",
        L"/",      L"</",
        L"/>",     L"<a>",
        L"</a>",   L"<b>",
        L"</b>",   L"<B/>",
        L"&",      L"&amp;",
        L"&lt",    L"&#",
        L"&#x",    L"1F600;",
        L";",      L"<!--",
        L"-->",    L"<![CDATA[",
        L"]]>",    L"<?",
        L"?>",     L"<!DOCTYPE",
        L"[",      L"]",
        L"=",      L"\"",
        L"'",      L" ",
        L"\r\n",   L"x",
        L"\uFEFF", std::wstring(1, L'\0'),
    };
    std::mt19937 rng(4242);
    auto start = Clock::now();
    std::string valid =
        "\xFF\xFE" + ToUtf16Le(
                         L"<Vantrel>\r\n\t<DestinationFolder>C:\\a&amp;b\\</DestinationFolder>\r\n"
                         L"\t<ExcludedExt>\r\n\t\t<Ext>*.tmp</Ext>\r\n\t</ExcludedExt>\r\n</Vantrel>\r\n");
    size_t seen = 0;
    for (int round = 0; round < 30000; ++round) {
        std::string bytes;
        switch (round % 4) {
            case 0: {  // raw bytes
                bytes.resize(std::uniform_int_distribution<size_t>(0, 300)(rng));
                for (auto& b : bytes)
                    b = static_cast<char>(rng());
                break;
            }
            case 1: {  // token soup
                std::wstring text;
                int n = std::uniform_int_distribution<int>(0, 60)(rng);
                for (int i = 0; i < n; ++i)
                    text += kTokens[std::uniform_int_distribution<size_t>(0, std::size(kTokens) - 1)(rng)];
                bytes = ToUtf16Le(text);
                if (rng() % 8 == 0) bytes += std::string("\x00\xD8", 2);  // a lone high surrogate
                break;
            }
            case 2:  // a valid document cut anywhere
                bytes = valid.substr(0, std::uniform_int_distribution<size_t>(0, valid.size())(rng));
                break;
            default: {  // a valid document with a few bytes changed
                bytes = valid;
                int n = std::uniform_int_distribution<int>(1, 4)(rng);
                for (int i = 0; i < n; ++i)
                    bytes[std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(rng)] = static_cast<char>(rng());
                break;
            }
        }
        Document doc;
        doc.Parse(bytes);
        seen += Walk(doc);
    }
    EXPECT_GT(seen, 0u);
    // Linear work per input: the whole run stays far below a second plainly, a few under sanitizers.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count(), 60);
}

}  // namespace
}  // namespace vantrel::xml
