#include "support/TestEntries.h"

#include <ctime>

namespace kyq::test {

PasswordEntry Record(std::u16string title, std::u16string user, std::u16string password,
                     int16_t year, uint8_t month, uint8_t day)
{
    PasswordEntry e;
    e.Title = std::move(title);
    e.UserName = std::move(user);
    e.Password = std::move(password);
    e.ChangedYear = year;
    e.ChangedMonth = month;
    e.ChangedDay = day;
    return e;
}

PasswordEntry RecordChangedToday(std::u16string title, std::u16string user,
                                 std::u16string password)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Record(std::move(title), std::move(user), std::move(password),
                  static_cast<int16_t>(local.tm_year + 1900),
                  static_cast<uint8_t>(local.tm_mon + 1), static_cast<uint8_t>(local.tm_mday));
}

std::vector<PasswordEntry> FourRecords()
{
    return {Record(u"b", u"bob", u"pb", 2000, 7, 4), Record(u"A", u"ann", u"pa"),
            Record(u"Mail", u"me", u"pm", 2019, 3, 8), Record(u"c", u"cid", u"pc")};
}

}  // namespace kyq::test
