#include "bench/LargeDocument.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string_view>
#include <unordered_set>

#include <unistd.h>

#include "core/document/SameText.h"

namespace kyq::bench {

namespace {

// Common characters of code page 936; the keyword's characters are left out so that it
// occurs only where it is put on purpose.
constexpr std::u16string_view Chinese =
    u"的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种"
    u"面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去"
    u"把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但"
    u"质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式"
    u"活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回"
    u"则任取据处队南给色光门即保治北造百规热领七海口东导器压志世金增争济阶油思术极交受联什认六共权收证改清美"
    u"再采转更单风切打白教速花带安场身车例真务具万每目至达走积示议声报斗完类八离华名确才科张信马节话米整空元"
    u"况今集温传土许步群广石记需段研界拉林律叫且究观越织装影算低持音众书布复容儿须际商非验连断深难近矿千周委"
    u"素技备半办青省列习响约支般史感劳便团往酸历市克何除消构府称太准精值号率族维划选标写存候毛亲快效斯院查江";
constexpr std::u16string_view Ascii = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::u16string_view Symbols = u"!@#$%^&*-_=+.?";
constexpr std::u16string_view Sites[] = {u"Mail", u"Bank", u"Shop", u"Game", u"Work", u"Cloud", u"VPN",
                                         u"Forum", u"银行", u"网盘", u"论坛", u"工作", u"购物", u"游戏"};

class TextMaker {
public:
    explicit TextMaker(uint32_t seed) : random_(seed) {}

    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    char16_t From(std::u16string_view set)
    {
        return set[static_cast<size_t>(Between(0, static_cast<int>(set.size()) - 1))];
    }

    // `length` characters, about a third of them Chinese.
    std::u16string Mixed(int length, bool symbols = false)
    {
        std::u16string out;
        for (int i = 0; i < length; ++i) {
            const int pick = Between(0, 8);
            if (pick < 3)
                out += From(Chinese);
            else if (symbols && pick == 8)
                out += From(Symbols);
            else
                out += From(Ascii);
        }
        return out;
    }

    std::u16string Site() { return std::u16string(Sites[static_cast<size_t>(Between(0, 13))]); }

private:
    std::mt19937 random_;
};

}  // namespace

PasswordDocument MakeLargeDocument(uint32_t seed)
{
    TextMaker make(seed);
    PasswordDocument doc;
    doc.OwnerName() = u"基准用户";
    doc.DocumentPassword() = LargeDocumentPassword;
    doc.FormatVersion = 200;
    doc.Path = "nul";

    std::unordered_set<std::u16string> lowered;
    const std::u16string keyword = SearchKeyword;
    while (doc.EntryCount() < LargeRecordCount) {
        const int n = doc.EntryCount() + 1;
        PasswordEntry e;
        // The keyword in one field of every 109th record: about 300 matches in all.
        const int keywordField = n % 109 == 0 ? n / 109 % 3 : -1;
        e.Title = make.Site() + make.Mixed(make.Between(5, 9));
        if (keywordField == 0)
            e.Title += keyword;
        e.UserName = make.Mixed(make.Between(8, 12));
        if (keywordField == 1)
            e.UserName.replace(0, keyword.size(), keyword);
        e.Password = make.Mixed(make.Between(12, 16), true);
        if (keywordField == 2)
            e.Password.replace(2, keyword.size(), keyword);
        e.ChangedYear = static_cast<int16_t>(make.Between(2015, 2025));
        e.ChangedMonth = static_cast<uint8_t>(make.Between(1, 12));
        e.ChangedDay = static_cast<uint8_t>(make.Between(1, 28));
        if (!lowered.insert(LowerText(e.Title)).second)
            continue;  // titles are unique ignoring case
        doc.AddTitle(e);
        doc.AppendEntry(std::move(e));
    }
    doc.ReorderEntries(false);
    doc.Modified = false;
    return doc;
}

std::string WriteTemporaryDocument(const std::string& stem,
                                   const std::function<FormatResult(const std::string& path)>& write)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              (stem + "-" + std::to_string(getpid()) + ".kyq"))
                                 .string();
    if (const FormatResult r = write(path); !r) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), r.error().Detail.c_str());
        std::exit(2);
    }
    return path;
}

}  // namespace kyq::bench
