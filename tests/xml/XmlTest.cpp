#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"
#include "xml/Xml.h"

namespace vantrel::xml {
namespace {

// A document as the settings file stores it: FF FE, then UTF-16 LE.
std::string File(const std::wstring& text) {
    return "\xFF\xFE" + ToUtf16Le(text);
}

const wchar_t kSettingsLike[] =
    L"<Vantrel>\r\n"
    L"\t<DestinationFolder>C:\\Docs\\Vantrel\\</DestinationFolder>\r\n"
    L"\t<AlternateFolders>\r\n"
    L"\t\t<AltFolder>D:\\One</AltFolder>\r\n"
    L"\t\t<AltFolder>D:\\Two</AltFolder>\r\n"
    L"\t</AlternateFolders>\r\n"
    L"\t<ExcludedExt>\r\n"
    L"\t</ExcludedExt>\r\n"
    L"</Vantrel>\r\n";

TEST(XmlDocument, ReadsADocumentAsTheSettingsFileIsWritten) {
    Document doc;
    ASSERT_TRUE(doc.Parse(File(kSettingsLike)));
    ASSERT_NE(doc.Root(), nullptr);
    EXPECT_EQ(doc.Root()->Name(), L"Vantrel");
    EXPECT_EQ(doc.Root()->ChildCount(), 3u);

    const Element* destination = doc.Find(L"DestinationFolder");
    ASSERT_NE(destination, nullptr);
    EXPECT_EQ(destination->Text(), L"C:\\Docs\\Vantrel\\");

    const Element* folders = doc.Find(L"AlternateFolders");
    ASSERT_NE(folders, nullptr);
    ASSERT_EQ(folders->ChildCount(), 2u);
    EXPECT_EQ(folders->Child(0).Text(), L"D:\\One");
    EXPECT_EQ(folders->Child(1).Text(), L"D:\\Two");
    EXPECT_EQ(folders->Text(), L"");  // only blanks between the children

    const Element* ext = doc.Find(L"ExcludedExt");
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(ext->ChildCount(), 0u);
}

TEST(XmlDocument, FindsNamesInAnyCaseAtAnyDepthFirstInDocumentOrder) {
    Document doc;
    ASSERT_TRUE(doc.Parse(File(L"<root><a><x>1</x><b><X>2</X></b></a><x>3</x><quicknote>Yes</quicknote></root>")));
    // An element comes before its own children, children before the next sibling.
    ASSERT_NE(doc.Find(L"X"), nullptr);
    EXPECT_EQ(doc.Find(L"X")->Text(), L"1");
    EXPECT_EQ(doc.Find(L"B")->Child(0).Text(), L"2");
    EXPECT_EQ(doc.Find(L"QuickNote")->Text(), L"Yes");
    EXPECT_EQ(doc.Find(L"QUICKNOTE"), doc.Find(L"quickNote"));
    EXPECT_EQ(doc.Find(L"missing"), nullptr);
    // The root's own name is not looked at.
    EXPECT_EQ(doc.Find(L"root"), nullptr);

    Document nested;
    ASSERT_TRUE(nested.Parse(File(L"<root><p><root>inner</root></p></root>")));
    ASSERT_NE(nested.Find(L"ROOT"), nullptr);
    EXPECT_EQ(nested.Find(L"ROOT")->Text(), L"inner");
}

TEST(XmlDocument, DecodesEntitiesAndCharacterReferences) {
    Document doc;
    ASSERT_TRUE(doc.Parse(File(L"<r><v>&amp;&lt;&gt;&apos;&quot; &#65;&#x42;&#X63;&#x00e9;</v></r>")));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"&<>'\" ABc\u00e9");
}

TEST(XmlDocument, AnAmpersandThatBeginsNoReferenceIsAPlainCharacter) {
    Document doc;
    ASSERT_TRUE(
        doc.Parse(File(L"<r><v>Tom & Jerry &foo; &amp &#; &#x; &#xZZ; &#0; &#1114112; &#xD800; &#12a;</v></r>")));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"Tom & Jerry &foo; &amp &#; &#x; &#xZZ; &#0; &#1114112; &#xD800; &#12a;");
}

TEST(XmlDocument, ReferencesBeyondTheBasicPlaneGiveTheSameTextAsTheCharacterItself) {
    std::wstring grin = FromUtf16Le(std::string("\x3D\xD8\x00\xDE", 4));  // U+1F600 as UTF-16
    Document doc;
    ASSERT_TRUE(doc.Parse(File(L"<r><a>&#x1F600;</a><b>&#128512;</b><c>" + grin + L"</c></r>")));
    EXPECT_EQ(doc.Find(L"a")->Text(), grin);
    EXPECT_EQ(doc.Find(L"b")->Text(), grin);
    EXPECT_EQ(doc.Find(L"c")->Text(), grin);
}

TEST(XmlDocument, TextLosesLeadingAndTrailingBlanksAndControlCharactersOnly) {
    Document doc;
    ASSERT_TRUE(doc.Parse(File(L"<r><v>\r\n\t  a  b \x01\x1F\t\r\n</v><e></e><s/><w>   </w></r>")));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"a  b");
    EXPECT_EQ(doc.Find(L"e")->Text(), L"");
    EXPECT_EQ(doc.Find(L"s")->Text(), L"");
    EXPECT_EQ(doc.Find(L"w")->Text(), L"");
}

TEST(XmlDocument, KeepsUnicodeText) {
    Document doc;
    ASSERT_TRUE(doc.Parse(File(L"<r><v>C:\\\u00dcbung\\\u65e5\u672c</v></r>")));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"C:\\\u00dcbung\\\u65e5\u672c");
}

TEST(XmlDocument, SkipsDeclarationCommentsInstructionsDoctypeAndAttributes) {
    const wchar_t* text =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<!DOCTYPE r [ <!ENTITY e \"x\"> ]>\r\n"
        L"<!-- before -->\r\n"
        L"<r kind='settings' n = \"1\">"
        L"<v a=\"&lt;>\">one<!-- <fake>x</fake> -->two<?pi <fake/> ?></v>"
        L"<c><![CDATA[<raw> & &amp;]]></c>"
        L"<empty attr=\"1\" />"
        L"</r>\r\n<!-- after -->\r\n";
    Document doc;
    ASSERT_TRUE(doc.Parse(File(text)));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"onetwo");
    EXPECT_EQ(doc.Find(L"fake"), nullptr);
    EXPECT_EQ(doc.Find(L"c")->Text(), L"<raw> & &amp;");
    ASSERT_NE(doc.Find(L"empty"), nullptr);
    EXPECT_EQ(doc.Root()->ChildCount(), 3u);
}

TEST(XmlDocument, ReadsWithoutAByteOrderMark) {
    Document doc;
    ASSERT_TRUE(doc.Parse(ToUtf16Le(L"<r><v>x</v></r>")));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"x");
}

TEST(XmlDocument, ABrokenOffDocumentKeepsTheElementsCompletedBeforeTheBreak) {
    Document doc;
    EXPECT_FALSE(doc.Parse(File(L"<r><done>1</done><list><e>a</e><e>b")));
    ASSERT_NE(doc.Root(), nullptr);
    EXPECT_EQ(doc.Find(L"done")->Text(), L"1");
    EXPECT_EQ(doc.Find(L"list"), nullptr);  // never closed: not found
    EXPECT_EQ(doc.Root()->ChildCount(), 1u);
}

TEST(XmlDocument, StopsAtTheFirstFault) {
    struct Case {
        const wchar_t* text;
        bool beforeFound;
    } cases[] = {
        {L"<r><before>1</before><a></b><after>2</after></r>", true},       // mismatched end tag
        {L"<r><before>1</before><a x=1>t</a><after>2</after></r>", true},  // unquoted attribute
        {L"<r><before>1</before><>t</><after>2</after></r>", true},        // no name
        {L"<r><before>1</before><!-- open <after>2</after></r>", true},    // comment never ends
        {L"<r><before>1</before></r><r2><after>2</after></r2>", true},     // a second root
        {L"<r><before>1</before><a b=\"open><after>2</after></r>", true},
    };
    for (const auto& c : cases) {
        Document doc;
        EXPECT_FALSE(doc.Parse(File(c.text))) << c.text;
        EXPECT_EQ(doc.Find(L"before") != nullptr, c.beforeFound) << c.text;
        EXPECT_EQ(doc.Find(L"after"), nullptr) << c.text;
    }
}

TEST(XmlDocument, NothingUsableGivesNoRoot) {
    for (const std::string& bytes : {std::string(), std::string("\xFF\xFE"), File(L"   "), File(L"just text"),
                                     std::string("\xFF\xFE<", 3), File(L"<")}) {
        Document doc;
        EXPECT_FALSE(doc.Parse(bytes));
        EXPECT_EQ(doc.Root(), nullptr);
        EXPECT_EQ(doc.Find(L"x"), nullptr);
    }
}

TEST(XmlDocument, TextOutsideTheRootMakesItNotWellFormedButKeepsEverything) {
    Document doc;
    EXPECT_FALSE(doc.Parse(File(L"junk<r><v>1</v></r>more")));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"1");
}

TEST(XmlDocument, AnOddLastByteIsNotPartOfTheText) {
    Document doc;
    EXPECT_TRUE(doc.Parse(File(L"<r><v>1</v></r>") + "\x41"));
    EXPECT_EQ(doc.Find(L"v")->Text(), L"1");
}

TEST(XmlDocument, DeepNestingNeitherOverflowsNorLosesItsWay) {
    const int depth = 100000;
    std::wstring text;
    for (int i = 0; i < depth; ++i)
        text += L"<a>";
    text += L"<leaf>x</leaf>";
    for (int i = 0; i < depth; ++i)
        text += L"</a>";
    Document doc;
    ASSERT_TRUE(doc.Parse(File(text)));
    EXPECT_EQ(doc.Find(L"leaf")->Text(), L"x");
    // Broken off inside: the leaf was complete and is still found.
    Document broken;
    EXPECT_FALSE(broken.Parse(File(text.substr(0, text.size() / 2))));
    EXPECT_EQ(broken.Find(L"leaf")->Text(), L"x");
}

TEST(XmlDocument, ParsingAgainReplacesTheEarlierDocument) {
    Document doc;
    ASSERT_TRUE(doc.Parse(File(L"<r><old>1</old></r>")));
    ASSERT_TRUE(doc.Parse(File(L"<r><new>2</new></r>")));
    EXPECT_EQ(doc.Find(L"old"), nullptr);
    EXPECT_EQ(doc.Find(L"new")->Text(), L"2");
}

}  // namespace
}  // namespace vantrel::xml
