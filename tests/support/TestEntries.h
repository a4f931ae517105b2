// The records the tests put into documents: one builder for every layer's tests, and the
// four records the main-window tests open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/PasswordEntry.h"

namespace kyq::test {

PasswordEntry Record(std::u16string title, std::u16string user, std::u16string password,
                     int16_t year = 2024, uint8_t month = 5, uint8_t day = 17);
// Changed today (local date): no expiry reminder gets in the way of the program under test.
PasswordEntry RecordChangedToday(std::u16string title, std::u16string user,
                                 std::u16string password);

// Stored out of title order, so the tree shows A, b, c, Mail: b (bob, pb) changed on
// 2000-07-04, A (ann, pa), Mail (me, pm) changed on 2019-03-08, c (cid, pc).
std::vector<PasswordEntry> FourRecords();

}  // namespace kyq::test
