// Kestro's result window holds the page as the help file stores it (the window's flags, modality
// and clean-up are tested for every module in tests/win32/resultview).
#include "support.hpp"

using farhost::WindowAnswer;

namespace {

class Result : public KestroTest {};

TEST_F(Result, ThePageIsCopiedByteForByte) {
    Load();
    // The accented pages are in code page 1252, with the line ends the compiler kept.
    host->QueueWindow(WindowAnswer::Close);
    EXPECT_EQ(1, Show("\xfc"
                      "ber a",
                      Help("accented.chm"))
                     .Result); // "über a"
    ASSERT_EQ(1u, host->Windows().size());
    const std::string& content = host->Windows()[0].Content;
    ExpectPage(content, "accented.chm", "/uber.html");
    EXPECT_NE(std::string::npos, content.find("\xdc"
                                              "ber"))
        << "the page's own code page, unconverted";
    EXPECT_EQ(0u, content.find("<html>"));
}

} // namespace
