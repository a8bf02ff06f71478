// libFuzzer entry for the XML reader: any bytes must parse without a crash or a hang, and every
// element the reader offers must be safe to look at.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xml/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    vantrel::xml::Document doc;
    doc.Parse(bytes);
    for (const wchar_t* name : {L"DestinationFolder", L"a", L"ExcludedExt"}) {
        if (const auto* element = doc.Find(name)) {
            (void)element->Text();
            for (size_t i = 0; i < element->ChildCount(); ++i)
                (void)element->Child(i).Text();
        }
    }
    if (const auto* root = doc.Root()) (void)root->ChildCount();
    return 0;
}
