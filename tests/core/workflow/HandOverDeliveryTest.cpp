#include <gtest/gtest.h>

#include <vector>

#include "core/workflow/HandOverDelivery.h"

namespace kyq {
namespace {

// Each try sees the running instance as one row: whether the lock is free, what
// Handle.dat names, whether that window answers. The start must neither give up early
// nor open the file twice.
TEST(DeliverHandOver, EveryStartIsHeardOrBecomesTheInstance)
{
    struct World {
        bool lockFree;
        uint64_t window;
        bool answers;
    };
    struct Case {
        const char* what;
        std::vector<World> tries;
        HandOverDelivery expected;
        int sends;
    };
    const std::vector<Case> cases = {
        {"an instance that answers", {{false, 7, true}}, HandOverDelivery::Delivered, 1},
        {"an instance still starting (no Handle.dat yet)",
         {{false, 0, false}, {false, 0, false}, {false, 7, true}},
         HandOverDelivery::Delivered, 1},
        {"a stale Handle.dat while the new instance starts",
         {{false, 3, false}, {false, 7, true}}, HandOverDelivery::Delivered, 2},
        {"the instance killed before it answered",
         {{false, 7, false}, {true, 0, false}}, HandOverDelivery::BecameFirst, 1},
        {"the race of two first starts, lost and then the winner quit",
         {{false, 0, false}, {true, 0, false}}, HandOverDelivery::BecameFirst, 0},
        {"an instance that never answers", {{false, 7, false}, {false, 7, false}},
         HandOverDelivery::NoAnswer, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t at = 0;
        int sends = 0;
        HandOverSteps steps;
        steps.TakeLock = [&] { return c.tries[at].lockFree; };
        steps.RunningWindow = [&] { return c.tries[at].window; };
        steps.Send = [&](uint64_t window) -> std::optional<int64_t> {
            ++sends;
            EXPECT_EQ(window, c.tries[at].window);
            if (c.tries[at].answers)
                return 0;
            return std::nullopt;
        };
        steps.Pause = [&] { return ++at < c.tries.size(); };
        EXPECT_EQ(DeliverHandOver(steps), c.expected);
        EXPECT_EQ(sends, c.sends);
    }
}

// Handle.dat names only a window that listens: a start must never hand over to an
// instance that cannot hear it, and the instance must know when it cannot be reached.
TEST(PublishHandOver, HandleFileOnlyForAListeningWindow)
{
    const Error refused{"refused", "detail", 98};
    struct Case {
        const char* what;
        bool listens;
        bool fileWritable;
        bool written;
        bool ok;
    };
    const Case cases[] = {
        {"listening, file written", true, true, true, true},
        {"the channel taken", false, true, false, false},
        {"listening, file not writable", true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool removed = false;
        bool written = false;
        HandOverPublishSteps steps;
        steps.RemoveStaleFile = [&] { removed = true; };
        steps.Listen = [&]() -> Expected<void> {
            return c.listens ? Expected<void>() : Expected<void>(refused);
        };
        steps.WriteFile = [&]() -> Expected<void> {
            written = c.fileWritable;
            return c.fileWritable ? Expected<void>() : Expected<void>(refused);
        };
        const Expected<void> published = PublishHandOver(steps);
        EXPECT_TRUE(removed);
        EXPECT_EQ(written, c.written);
        ASSERT_EQ(published.has_value(), c.ok);
        // The box says what follows; the reason goes to its details and the log.
        if (!c.ok) {
            EXPECT_EQ(published.error().Message.find("refused"), std::string::npos);
            EXPECT_NE(published.error().Detail.find("refused: detail"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace kyq
