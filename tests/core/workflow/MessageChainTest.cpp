#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/workflow/MessageChain.h"

namespace kyq {
namespace {

class Tagger : public MessageFilter {
public:
    Tagger(std::string tag, std::vector<std::string>& log) : tag_(std::move(tag)), log_(log) {}
    std::function<void()> Action;

protected:
    void Filter(const WindowMessage& m) override
    {
        log_.push_back(tag_ + ":" + std::to_string(m.Msg));
        if (Action)
            Action();
    }

private:
    std::string tag_;
    std::vector<std::string>& log_;
};

TEST(MessageChain, FiltersSeeEveryMessageFrontFirstAndHandItOn)
{
    std::vector<std::string> log;
    MessageChain chain([&log](const WindowMessage& m) {
        log.push_back("window:" + std::to_string(m.Msg));
        return 7;
    });
    Tagger watcher("watcher", log);
    Tagger shell("shell", log);
    watcher.Install(chain);
    shell.Install(chain);
    EXPECT_EQ(chain.Dispatch({1024, 1, 2}), 7);
    EXPECT_EQ(log, (std::vector<std::string>{"shell:1024", "watcher:1024", "window:1024"}));

    // Taken out in reverse order, each puts back what it replaced.
    log.clear();
    shell.Remove();
    chain.Dispatch({17, 0, 0});
    EXPECT_EQ(log, (std::vector<std::string>{"watcher:17", "window:17"}));
    watcher.Remove();
    log.clear();
    chain.Dispatch({17, 0, 0});
    EXPECT_EQ(log, (std::vector<std::string>{"window:17"}));
}

TEST(MessageChain, AFilterMayRemoveItselfWhileHandlingAMessage)
{
    std::vector<std::string> log;
    MessageChain chain([&log](const WindowMessage&) {
        log.push_back("window");
        return 0;
    });
    Tagger watcher("watcher", log);
    Tagger shell("shell", log);
    watcher.Install(chain);
    shell.Install(chain);
    // The shutdown removes both filters from inside the shell filter's handling.
    shell.Action = [&] {
        shell.Remove();
        watcher.Remove();
    };
    chain.Dispatch({17, 0, 0});
    EXPECT_EQ(log, (std::vector<std::string>{"shell:17", "watcher:17", "window"}));
    EXPECT_FALSE(shell.Installed());
    log.clear();
    chain.Dispatch({18, 0, 0});
    EXPECT_EQ(log, (std::vector<std::string>{"window"}));
}

TEST(MessageChain, SetWindowProcReturnsWhatItReplaced)
{
    MessageChain chain;
    EXPECT_EQ(chain.Dispatch({1, 0, 0}), 0);  // no handler at all answers 0
    const WindowProc first = chain.SetWindowProc([](const WindowMessage& m) {
        return static_cast<int32_t>(m.wParam);
    });
    EXPECT_FALSE(first);
    EXPECT_EQ(chain.Dispatch({1, 5, 0}), 5);
    const WindowProc previous = chain.SetWindowProc([](const WindowMessage&) { return 9; });
    EXPECT_EQ(chain.Dispatch({1, 5, 0}), 9);
    EXPECT_EQ(MessageChain::CallWindowProc(previous, {1, 3, 0}), 3);
    chain.SetWindowProc(previous);
    EXPECT_EQ(chain.Dispatch({1, 4, 0}), 4);
}

}  // namespace
}  // namespace kyq
