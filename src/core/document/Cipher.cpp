#include "core/document/Cipher.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "platform/CodePage936.h"

namespace kyq {
namespace {

constexpr int Shift = 14;

int16_t Lower(int16_t code)
{
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(code) - Shift));
}

int16_t Raise(int16_t code)
{
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(code) + Shift));
}

// 16-bit signed arithmetic that reports leaving the range instead of wrapping.
std::optional<int16_t> Checked16(int32_t value)
{
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(value);
}

}  // namespace

CodeText EncipherText(std::u16string_view text)
{
    CodeText codes;
    codes.reserve(text.size());
    for (char16_t ch : text)
        codes.push_back(Lower(CodePage936::ToCode(ch)));
    return codes;
}

std::u16string DecipherText(std::span<const int16_t> codes)
{
    std::u16string text;
    text.reserve(codes.size());
    for (int16_t code : codes)
        text.push_back(CodePage936::FromCode(Raise(code)));
    return text;
}

PasswordEntry DecipherRecord(const CodedRecord& coded)
{
    PasswordEntry record;
    record.Title = DecipherText(coded.Title);
    record.UserName = DecipherText(coded.UserName);
    record.Password = DecipherText(coded.Password);
    std::reverse(record.Password.begin(), record.Password.end());
    record.ChangedYear = coded.ChangedYear;
    record.ChangedMonth = coded.ChangedMonth;
    record.ChangedDay = coded.ChangedDay;
    return record;
}

CodeText PasswordKey(std::u16string_view password)
{
    CodeText key;
    key.reserve(password.size());
    for (char16_t ch : password)
        key.push_back(CodePage936::ToCode(ch));
    return key;
}

int32_t DeriveLegacyKey(std::u16string_view password, int32_t keyBefore)
{
    const CodeText c = PasswordKey(password);
    const size_t n = c.size();
    if (n == 0)
        return keyBefore;
    if (n == 1)
        return static_cast<int32_t>(u'1');  // the first character of the length's text
    if (n == 2) {
        const auto product = Checked16(int32_t{c[0]} * c[1]);
        return product ? *product : keyBefore;
    }
    if (n == 3) {
        const auto sum = Checked16(int32_t{c[1]} + c[2]);
        if (!sum)
            return keyBefore;
        const auto product = Checked16(int32_t{c[0]} * *sum);
        return product ? *product : keyBefore;
    }
    int16_t t = c[2];
    for (size_t k = 3; k < n; ++k) {
        const auto sum = Checked16(int32_t{t} + c[k]);
        if (!sum)
            return keyBefore;
        t = static_cast<int16_t>(*sum / 2);  // C++ division truncates toward zero
    }
    const auto head = Checked16(int32_t{c[0]} + c[1]);
    if (!head)
        return keyBefore;
    // |head| <= 32768 and |t| <= 32768, so the 32-bit product cannot overflow.
    return int32_t{*head} * t;
}

}  // namespace kyq
