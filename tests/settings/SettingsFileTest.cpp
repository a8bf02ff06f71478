#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsFileText.h"

namespace vantrel {
namespace {

using test::DefaultSettingsText;
constexpr auto File = test::SettingsFile;

TEST(SettingsFileWrite, TheDefaultsGiveTheDocumentedFileByteForByte) {
    std::string bytes = SettingsToBytes(DefaultSettings(L"C:\\Docs\\Vantrel\\"));
    EXPECT_EQ(bytes, File(DefaultSettingsText(L"C:\\Docs\\Vantrel\\")));
    // Byte-order mark, no declaration, and CR LF after the closing root tag.
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
    EXPECT_EQ(bytes.substr(bytes.size() - 6), std::string(">\0\r\0\n\0", 6));
}

TEST(SettingsFileWrite, EveryValueIsWrittenWithAmpersandAndLessThanEscaped) {
    Settings s;
    s.DestinationFolder = L"D:\\R&D <new>";
    s.AlternateFolders = {L"E:\\A&B", L"F:\\<x>"};
    s.ExcludedExt = {L"*.a&b"};
    s.ExcludedFiles = {};
    s.QuickNote = true;
    s.SaveNoteFiles = true;
    s.MoveFolder = true;
    s.MoveFolderDelay = -5000;
    s.RenameFile = false;
    s.RenameFolder = false;
    s.MoveRenamed = true;
    s.ShowIcon = false;
    s.TryToMove = true;
    s.TryCount = 2147483647;
    EXPECT_EQ(SettingsToBytes(s), File(L"<Vantrel>\r\n"
                                       L"\t<DestinationFolder>D:\\R&amp;D &lt;new></DestinationFolder>\r\n"
                                       L"\t<MoveFolder>true</MoveFolder>\r\n"
                                       L"\t<MoveFolderDelay>-5000</MoveFolderDelay>\r\n"
                                       L"\t<AlternateFolders>\r\n"
                                       L"\t\t<AltFolder>E:\\A&amp;B</AltFolder>\r\n"
                                       L"\t\t<AltFolder>F:\\&lt;x></AltFolder>\r\n"
                                       L"\t</AlternateFolders>\r\n"
                                       L"\t<QuickNote>true</QuickNote>\r\n"
                                       L"\t<RenameFile>false</RenameFile>\r\n"
                                       L"\t<RenameFolder>false</RenameFolder>\r\n"
                                       L"\t<MoveRenamed>true</MoveRenamed>\r\n"
                                       L"\t<TryToMove>true</TryToMove>\r\n"
                                       L"\t<TryCount>2147483647</TryCount>\r\n"
                                       L"\t<ShowIcon>false</ShowIcon>\r\n"
                                       L"\t<SaveNoteFiles>true</SaveNoteFiles>\r\n"
                                       L"\t<ExcludedExt>\r\n"
                                       L"\t\t<Ext>*.a&amp;b</Ext>\r\n"
                                       L"\t</ExcludedExt>\r\n"
                                       L"\t<ExcludedFiles>\r\n"
                                       L"\t</ExcludedFiles>\r\n"
                                       L"</Vantrel>\r\n"));
}

TEST(SettingsFileRoundTrip, WhatIsWrittenReadsBackUnchanged) {
    Settings s;
    s.DestinationFolder = L"D:\\R&D <new>\\\u00dcbung\\";
    s.AlternateFolders = {L"E:\\A&B", L"F:\\<x>", L"E:\\A&B", L"G:\\&amp;literal"};
    s.ExcludedExt = {L"*.a&b", L"*.<"};
    s.ExcludedFiles = {L"Copy of *", L"\u65e5\u672c.*"};
    s.QuickNote = true;
    s.SaveNoteFiles = true;
    s.MoveFolder = true;
    s.MoveFolderDelay = -2147483647 - 1;
    s.RenameFile = false;
    s.RenameFolder = false;
    s.MoveRenamed = true;
    s.ShowIcon = false;
    s.TryToMove = true;
    s.TryCount = 7;
    EXPECT_EQ(SettingsFromBytes(SettingsToBytes(s), L"X:\\"), s);

    Settings defaults = DefaultSettings(L"C:\\Docs\\Vantrel\\");
    EXPECT_EQ(SettingsFromBytes(SettingsToBytes(defaults), L"X:\\"), defaults);
}

TEST(SettingsFileRoundTrip, ADestinationSavedWithoutTrailingBackslashComesBackWithOne) {
    Settings s = DefaultSettings(L"D:\\Target");
    s.AlternateFolders = {L"E:\\NoSlash"};
    Settings read = SettingsFromBytes(SettingsToBytes(s), L"X:\\");
    EXPECT_EQ(read.DestinationFolder, L"D:\\Target\\");
    EXPECT_EQ(read.AlternateFolders, StringList{L"E:\\NoSlash"});  // only the destination gets one
}

TEST(SettingsFileRead, IsLenientAboutNamesCaseDepthBooleansAndBlanks) {
    std::string bytes = File(
        L"<settings>\r\n"
        L"  <group><destinationfolder>  D:\\Deep  </destinationfolder></group>\r\n"
        L"  <quicknote>Yes</quicknote>\r\n"
        L"  <RENAMEFILE>no</RENAMEFILE>\r\n"
        L"  <renameFolder>F</renameFolder>\r\n"
        L"  <MoveRenamed>t</MoveRenamed>\r\n"
        L"  <TryToMove>YES please</TryToMove>\r\n"
        L"  <TryCount> 3 </TryCount>\r\n"
        L"  <SaveNoteFiles>True</SaveNoteFiles>\r\n"
        L"  <ShowIcon>nope</ShowIcon>\r\n"
        L"  <MoveFolder>\ty\t</MoveFolder>\r\n"
        L"  <MoveFolderDelay>+5000</MoveFolderDelay>\r\n"
        L"  <Unknown>ignored</Unknown>\r\n"
        L"  <alternatefolders><a> E:\\One </a><b>E:\\Two\\</b><AltFolder>E:\\Three</AltFolder></alternatefolders>\r\n"
        L"  <excludedext><x>*.doc</x><y>  *.xls</y></excludedext>\r\n"
        L"  <ExcludedFiles><Mask>Draft*</Mask></ExcludedFiles>\r\n"
        L"</settings>\r\n");
    Settings s = SettingsFromBytes(bytes, L"X:\\");
    EXPECT_EQ(s.DestinationFolder, L"D:\\Deep\\");
    EXPECT_TRUE(s.QuickNote);
    EXPECT_FALSE(s.RenameFile);
    EXPECT_FALSE(s.RenameFolder);
    EXPECT_TRUE(s.MoveRenamed);
    EXPECT_TRUE(s.TryToMove);
    EXPECT_EQ(s.TryCount, 3);
    EXPECT_TRUE(s.SaveNoteFiles);
    EXPECT_FALSE(s.ShowIcon);
    EXPECT_TRUE(s.MoveFolder);
    EXPECT_EQ(s.MoveFolderDelay, 5000);
    EXPECT_EQ(s.AlternateFolders, (StringList{L"E:\\One", L"E:\\Two\\", L"E:\\Three"}));
    EXPECT_EQ(s.ExcludedExt, (StringList{L"*.doc", L"*.xls"}));
    EXPECT_EQ(s.ExcludedFiles, StringList{L"Draft*"});
}

TEST(SettingsFileRead, MissingOptionalElementsTakeTheirFallbacks) {
    std::string bytes = File(
        L"<Vantrel>"
        L"<DestinationFolder>D:\\T\\</DestinationFolder><QuickNote>true</QuickNote><MoveFolder>true</MoveFolder>"
        L"<ExcludedExt><Ext>*.x</Ext></ExcludedExt>"
        L"</Vantrel>");
    Settings s = SettingsFromBytes(bytes, L"X:\\");
    EXPECT_EQ(s.DestinationFolder, L"D:\\T\\");
    EXPECT_TRUE(s.QuickNote);
    EXPECT_TRUE(s.MoveFolder);
    EXPECT_EQ(s.ExcludedExt, StringList{L"*.x"});
    EXPECT_TRUE(s.RenameFile);
    EXPECT_TRUE(s.RenameFolder);
    EXPECT_FALSE(s.MoveRenamed);
    EXPECT_FALSE(s.TryToMove);
    EXPECT_EQ(s.TryCount, 0);
    EXPECT_FALSE(s.SaveNoteFiles);
    EXPECT_TRUE(s.ShowIcon);
    EXPECT_EQ(s.MoveFolderDelay, 2000);
    EXPECT_TRUE(s.AlternateFolders.empty());
    EXPECT_EQ(s.ExcludedFiles, DefaultExcludedFiles());
    EXPECT_EQ(s.ExcludedFiles.size(), 7u);
}

TEST(SettingsFileRead, EmptyElementsMeanEmptyValuesNotDefaults) {
    Settings s = SettingsFromBytes(File(L"<Vantrel><DestinationFolder></DestinationFolder><ExcludedFiles>"
                                        L"</ExcludedFiles><ExcludedExt/></Vantrel>"),
                                   L"X:\\");
    EXPECT_EQ(s.DestinationFolder, L"\\");
    EXPECT_TRUE(s.ExcludedFiles.empty());
    EXPECT_TRUE(s.ExcludedExt.empty());
}

TEST(SettingsFileRead, ElementsWithoutFallbackAndUnconvertibleValuesTakeTheDefaults) {
    std::string bytes = File(
        L"<Vantrel>"
        L"<QuickNote>maybe</QuickNote><RenameFile></RenameFile><TryToMove>1</TryToMove>"
        L"<TryCount>3x</TryCount><MoveFolderDelay>2147483648</MoveFolderDelay><MoveFolder>TRUE</MoveFolder>"
        L"<ShowIcon>false</ShowIcon>"
        L"</Vantrel>");
    Settings s = SettingsFromBytes(bytes, L"X:\\Fallback\\");
    EXPECT_EQ(s.DestinationFolder, L"X:\\Fallback\\");
    EXPECT_FALSE(s.QuickNote);
    EXPECT_TRUE(s.RenameFile);
    EXPECT_FALSE(s.TryToMove);
    EXPECT_EQ(s.TryCount, 0);
    EXPECT_EQ(s.MoveFolderDelay, 2000);
    EXPECT_TRUE(s.MoveFolder);  // readable values are kept
    EXPECT_FALSE(s.ShowIcon);
    EXPECT_EQ(s.ExcludedExt, DefaultExcludedExt());
}

TEST(SettingsFileRead, IntegersAreSigned32BitDecimals) {
    struct Case {
        const wchar_t* text;
        int32_t want;
    } cases[] = {{L"0", 0},
                 {L"-1", -1},
                 {L"2147483647", 2147483647},
                 {L"-2147483648", INT32_MIN},
                 {L"007", 7},
                 {L"2147483648", 2000},
                 {L"-2147483649", 2000},
                 {L"99999999999999999999", 2000},
                 {L"", 2000},
                 {L"-", 2000},
                 {L"1 000", 2000},
                 {L"0x10", 2000},
                 {L"1.5", 2000},
                 {L"--1", 2000}};
    for (const auto& c : cases) {
        Settings s = SettingsFromBytes(File(std::wstring(L"<V><MoveFolderDelay>") + c.text + L"</MoveFolderDelay></V>"),
                                       L"X:\\");
        EXPECT_EQ(s.MoveFolderDelay, c.want) << c.text;
    }
}

TEST(SettingsFileRead, ABrokenOrTruncatedFileKeepsWhatCanBeReadAndDefaultsTheRest) {
    Settings saved = DefaultSettings(L"D:\\Saved\\");
    saved.QuickNote = true;
    saved.ShowIcon = false;
    saved.TryCount = 4;
    saved.AlternateFolders = {L"E:\\Alt"};
    std::string whole = SettingsToBytes(saved);
    Settings defaults = DefaultSettings(L"X:\\");

    // Cut right after the ShowIcon line: everything before it is complete.
    std::wstring text = FromUtf16Le(whole.substr(2));
    size_t cut = text.find(L"\t<SaveNoteFiles>");
    ASSERT_NE(cut, std::wstring::npos);
    Settings truncated = SettingsFromBytes(File(text.substr(0, cut)), L"X:\\");
    EXPECT_EQ(truncated.DestinationFolder, L"D:\\Saved\\");
    EXPECT_TRUE(truncated.QuickNote);
    EXPECT_FALSE(truncated.ShowIcon);
    EXPECT_EQ(truncated.TryCount, 4);
    EXPECT_EQ(truncated.AlternateFolders, StringList{L"E:\\Alt"});
    EXPECT_EQ(truncated.ExcludedExt, defaults.ExcludedExt);
    EXPECT_EQ(truncated.ExcludedFiles, defaults.ExcludedFiles);

    // Every cut, at every byte, reads without a crash and gives either the saved or the default value.
    for (size_t n = 0; n <= whole.size(); ++n) {
        Settings s = SettingsFromBytes(whole.substr(0, n), L"X:\\");
        EXPECT_TRUE(s.DestinationFolder == saved.DestinationFolder || s.DestinationFolder == L"X:\\") << n;
        EXPECT_TRUE(s.TryCount == 4 || s.TryCount == 0) << n;
        EXPECT_TRUE(s.ExcludedFiles == saved.ExcludedFiles) << n;  // the same as the default here
    }

    for (const std::string& junk : {std::string(), std::string("\xFF\xFE"), std::string("not xml at all"),
                                    File(L"<Vantrel><QuickNote>true</Oops></Vantrel>")}) {
        EXPECT_EQ(SettingsFromBytes(junk, L"X:\\"), defaults);
    }
}

}  // namespace
}  // namespace vantrel
