#include "support/RecordCoding.h"

#include <algorithm>

namespace kyq::test {

CodedRecord EncipherRecord(const PasswordEntry& record)
{
    CodedRecord coded;
    coded.Title = EncipherText(record.Title);
    coded.UserName = EncipherText(record.UserName);
    coded.Password = EncipherText(record.Password);
    std::reverse(coded.Password.begin(), coded.Password.end());
    coded.ChangedYear = record.ChangedYear;
    coded.ChangedMonth = record.ChangedMonth;
    coded.ChangedDay = record.ChangedDay;
    return coded;
}

void ApplyPasswordKey(std::span<int16_t> codes, std::span<const int16_t> key)
{
    if (key.empty())
        return;
    size_t k = 0;
    for (int16_t& code : codes) {
        code = static_cast<int16_t>(static_cast<uint16_t>(code) ^ static_cast<uint16_t>(key[k]));
        if (++k == key.size())
            k = 0;
    }
}

}  // namespace kyq::test
