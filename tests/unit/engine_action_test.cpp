// Step ownership through ActionPtr and the keyword registry.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <thread>
#include <utility>

#include "ActionPtr.h"
#include "ActionRegistry.h"

namespace {

// A step that counts its own deletions and carries a keyword of the test's choosing.
class Probe : public Action {
  public:
    Probe(int* deletions, std::string keyword = "Probe")
        : deletions(deletions), keyword(std::move(keyword)) {}
    ~Probe() override { ++*deletions; }
    Action* Parse(const std::string&) override { return new Probe(deletions, keyword); }
    std::string GetKeyword() override { return keyword; }
    std::string GetParams() override { return {}; }
    bool Play() override { return true; }

  private:
    int* deletions;
    std::string keyword;
};

TEST(ActionPtr, LastShareDeletesTheStepExactlyOnce) {
    int deletions = 0;
    std::list<ActionPtr> container;
    {
        ActionPtr first(new Probe(&deletions));
        container.push_back(first);
        EXPECT_EQ(first.UseCount(), 2);
    }
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(container.front().UseCount(), 1);

    ActionPtr other(new Probe(&deletions));
    other = container.front(); // releases the second probe
    EXPECT_EQ(deletions, 1);
    other = other;
    EXPECT_EQ(other.UseCount(), 2);
    container.clear();
    other = ActionPtr();
    EXPECT_EQ(deletions, 2);
}

TEST(ActionPtr, EmptyShareHasItsOwnCounter) {
    ActionPtr empty;
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_EQ(empty.UseCount(), 1);
    const ActionPtr copy = empty;
    EXPECT_EQ(empty.UseCount(), 2);
}

TEST(ActionPtr, SharesHandedAcrossThreadsCountExactly) {
    int deletions = 0;
    ActionPtr step(new Probe(&deletions));
    auto copyMany = [&step] {
        for (int i = 0; i < 100000; ++i) {
            const ActionPtr copy = step;
        }
    };
    std::thread a(copyMany);
    std::thread b(copyMany);
    a.join();
    b.join();
    EXPECT_EQ(step.UseCount(), 1);
    step = ActionPtr();
    EXPECT_EQ(deletions, 1);
}

TEST(ActionRegistry, KeywordsMatchExactly) {
    ActionRegistry& registry = ActionRegistry::GetInstance();
    std::unique_ptr<Action> press(registry.Create("Press", "1 2"));
    ASSERT_NE(press, nullptr);
    EXPECT_EQ(press->GetKeyword(), "Press");
    EXPECT_EQ(registry.Create("press", "1 2"), nullptr);
    EXPECT_EQ(registry.Create("", ""), nullptr);
    EXPECT_EQ(registry.Create("Press ", "1 2"), nullptr);
    const std::pair<const char*, const char*> lines[] = {{"Press", "1 2"},   {"Move", "1 2"},
                                                         {"Release", ""},    {"Pause", "1 s"},
                                                         {"Keyboard", "up"}, {"Start", "Today"}};
    for (const auto& [keyword, params] : lines) {
        std::unique_ptr<Action> step(registry.Create(keyword, params));
        ASSERT_NE(step, nullptr) << keyword;
        EXPECT_EQ(step->GetKeyword(), keyword);
        EXPECT_EQ(step->GetParams(), params);
    }
}

TEST(ActionRegistry, RegisteringAgainReplacesAndDeletesTheFirst) {
    ActionRegistry& registry = ActionRegistry::GetInstance();
    int firstDeletions = 0;
    int secondDeletions = 0;
    EXPECT_FALSE(registry.Register(nullptr));
    ASSERT_TRUE(registry.Register(new Probe(&firstDeletions, "Probe")));
    ASSERT_TRUE(registry.Register(new Probe(&secondDeletions, "Probe")));
    EXPECT_EQ(firstDeletions, 1);
    EXPECT_EQ(secondDeletions, 0);

    std::unique_ptr<Action> made(registry.Create("Probe", ""));
    ASSERT_NE(made, nullptr);
    made.reset();
    EXPECT_EQ(secondDeletions, 1); // the copy the second prototype made
}

} // namespace
