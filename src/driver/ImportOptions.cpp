#include <tessaro/ImportOptions.h>

#include <string_view>

namespace tessaro {

std::string FileReading::Said() const {
    std::string as;
    auto add = [&](bool met, std::string_view what) {
        if (met) as.append(as.empty() ? "" : ", ").append(what);
    };
    add(LoneLineFeeds, "LF line ends");
    add(TabsAsBlanks, "tabs");
    add(EnglishMnemonics, "English mnemonics (I, Q, C)");
    add(WholeBlockNames, "block names longer than 20 characters");
    std::string said = as.empty() ? as : as + ": read as such";
    if (MixedMnemonics)
        said += (as.empty() ? "" : "; ") +
                std::string("German and English mnemonics mixed (E, A, Z beside I, Q, C): read as German, "
                            "so the I, Q and C symbols are not imported (--mnemonics en reads them as English)");
    if (CommentedValueLines > 0)
        said += (said.empty() ? "" : "; ") + std::to_string(CommentedValueLines) +
                (CommentedValueLines == 1 ? " value line" : " value lines") + " commented out with //: passed over, their bytes kept";
    return said;
}

}  // namespace tessaro
