// The settings file as the program writes it, for the tests that compare bytes.
#pragma once

#include <string>

#include "platform/Text.h"

namespace vantrel::test {

// BOM FF FE, then the text in UTF-16 LE.
inline std::string SettingsFile(const std::wstring& text) {
    return "\xFF\xFE" + ToUtf16Le(text);
}

// The text of the file written from the defaults, for a given destination folder.
inline std::wstring DefaultSettingsText(const std::wstring& destination) {
    return L"<Vantrel>\r\n"
           L"\t<DestinationFolder>" +
           destination +
           L"</DestinationFolder>\r\n"
           L"\t<MoveFolder>false</MoveFolder>\r\n"
           L"\t<MoveFolderDelay>2000</MoveFolderDelay>\r\n"
           L"\t<AlternateFolders>\r\n"
           L"\t</AlternateFolders>\r\n"
           L"\t<QuickNote>false</QuickNote>\r\n"
           L"\t<RenameFile>true</RenameFile>\r\n"
           L"\t<RenameFolder>true</RenameFolder>\r\n"
           L"\t<MoveRenamed>false</MoveRenamed>\r\n"
           L"\t<TryToMove>false</TryToMove>\r\n"
           L"\t<TryCount>0</TryCount>\r\n"
           L"\t<ShowIcon>true</ShowIcon>\r\n"
           L"\t<SaveNoteFiles>false</SaveNoteFiles>\r\n"
           L"\t<ExcludedExt>\r\n"
           L"\t\t<Ext>*.dlm</Ext>\r\n"
           L"\t\t<Ext>*.lnk</Ext>\r\n"
           L"\t\t<Ext>*.Getright</Ext>\r\n"
           L"\t\t<Ext>*.tmp</Ext>\r\n"
           L"\t\t<Ext>*.part</Ext>\r\n"
           L"\t</ExcludedExt>\r\n"
           L"\t<ExcludedFiles>\r\n"
           L"\t\t<File>New Text Document.*</File>\r\n"
           L"\t\t<File>New Wordpad Document.*</File>\r\n"
           L"\t\t<File>New Rich Text Document.*</File>\r\n"
           L"\t\t<File>New Word Document.*</File>\r\n"
           L"\t\t<File>New Excel Document.*</File>\r\n"
           L"\t\t<File>New Shortcut.*</File>\r\n"
           L"\t\t<File>New Folder.*</File>\r\n"
           L"\t</ExcludedFiles>\r\n"
           L"</Vantrel>\r\n";
}

}  // namespace vantrel::test
