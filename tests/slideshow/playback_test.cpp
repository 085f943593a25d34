// The play state machine: every cell of the transition table, the timer and
// the repaints each operation asks for.
#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "slideshow/playback.h"
#include "tests/slideshow/show_harness.h"
#include "tests/support/expect_message.h"

namespace tervo {
namespace {

using testing::ShowHarness;

enum class Op { PlayForward, PlayBackward, StepForward, StepBackward, Stop };

void run(Op op, AppState& app, Platform& platform) {
    switch (op) {
    case Op::PlayForward: play_forward(app, platform); break;
    case Op::PlayBackward: play_backward(app, platform); break;
    case Op::StepForward: step_forward(app, platform); break;
    case Op::StepBackward: step_backward(app, platform); break;
    case Op::Stop: stop_play(app, platform); break;
    }
}

const char* state_name(PlayState play_state) {
    const auto state = static_cast<int32_t>(play_state);
    static const char* const names[] = {"Initial", "Stopped", "PlayForward", "PlayBackward", "StepForward",
                                        "StepBackward"};
    return state >= 0 && state <= 5 ? names[state] : "Unknown";
}

const char* op_name(Op op) {
    static const char* const names[] = {"PlayForward", "PlayBackward", "StepForward", "StepBackward", "Stop"};
    return names[static_cast<int>(op)];
}

enum class Timer { Untouched, Started, Stopped };

struct Transition {
    PlayState from;
    Op op;
    PlayState to;       // the state the operation sets (before any paint)
    Timer timer;
    bool message;       // "フォルダを先に指定して下さい。"
    bool repaint;       // a repaint without erasing
};

void PrintTo(const Transition& t, std::ostream* out) { *out << state_name(t.from) << " " << op_name(t.op); }

class TransitionTable : public ::testing::TestWithParam<Transition> {};

TEST_P(TransitionTable, SetsStateTimerAndRepaint) {
    const Transition& t = GetParam();
    testing::FakePlatform platform;  // no paint hooked in: the operation alone
    AppState app;
    app.view.play_state = t.from;
    app.view.scale_fixed = true;
    app.settings.pl_timeno = 700;

    run(t.op, app, platform);

    EXPECT_EQ(app.view.play_state, t.to);
    EXPECT_EQ(platform.timer_starts, t.timer == Timer::Started ? 1 : 0);
    EXPECT_EQ(platform.timer_stops, t.timer == Timer::Stopped ? 1 : 0);
    if (t.timer == Timer::Started) {
        EXPECT_EQ(platform.timer_period, 700);
    }
    if (t.message)
        expect_message(platform, {"フォルダを先に指定して下さい。", "操作手順", MessageIcon::None, platform.main_window_tag});
    else
        expect_no_message(platform);
    EXPECT_EQ(platform.repaints, t.repaint ? std::vector<bool>{false} : std::vector<bool>{});
    // Play and step clear scale_fixed when they act; stop and refusals leave it.
    EXPECT_EQ(app.view.scale_fixed, !t.repaint);
    // Only stop refreshes the status bar itself (the others through the paint).
    EXPECT_EQ(platform.status_updates, t.op == Op::Stop && t.to != t.from ? 1 : 0);
}

constexpr Timer U = Timer::Untouched, S = Timer::Started, X = Timer::Stopped;

INSTANTIATE_TEST_SUITE_P(
    Playback, TransitionTable,
    ::testing::Values(
        Transition{PlayState::Initial, Op::PlayForward, PlayState::Initial, U, true, false},
        Transition{PlayState::Initial, Op::PlayBackward, PlayState::Initial, U, true, false},
        Transition{PlayState::Initial, Op::StepForward, PlayState::Initial, U, true, false},
        Transition{PlayState::Initial, Op::StepBackward, PlayState::Initial, U, true, false},
        Transition{PlayState::Initial, Op::Stop, PlayState::Initial, U, false, false},

        Transition{PlayState::Stopped, Op::PlayForward, PlayState::PlayForward, S, false, true},
        Transition{PlayState::Stopped, Op::PlayBackward, PlayState::PlayBackward, S, false, true},
        Transition{PlayState::Stopped, Op::StepForward, PlayState::StepForward, U, false, true},
        Transition{PlayState::Stopped, Op::StepBackward, PlayState::StepBackward, U, false, true},
        Transition{PlayState::Stopped, Op::Stop, PlayState::Stopped, U, false, false},

        Transition{PlayState::PlayForward, Op::PlayForward, PlayState::PlayForward, U, false, true},
        Transition{PlayState::PlayForward, Op::PlayBackward, PlayState::PlayBackward, U, false, true},
        Transition{PlayState::PlayForward, Op::StepForward, PlayState::StepForward, U, false, true},
        Transition{PlayState::PlayForward, Op::StepBackward, PlayState::StepBackward, U, false, true},
        Transition{PlayState::PlayForward, Op::Stop, PlayState::Stopped, X, false, false},

        Transition{PlayState::PlayBackward, Op::PlayForward, PlayState::PlayForward, U, false, true},
        Transition{PlayState::PlayBackward, Op::PlayBackward, PlayState::PlayBackward, U, false, true},
        Transition{PlayState::PlayBackward, Op::StepForward, PlayState::StepForward, U, false, true},
        Transition{PlayState::PlayBackward, Op::StepBackward, PlayState::StepBackward, U, false, true},
        Transition{PlayState::PlayBackward, Op::Stop, PlayState::Stopped, X, false, false},

        Transition{PlayState::StepForward, Op::PlayForward, PlayState::PlayForward, U, false, true},
        Transition{PlayState::StepForward, Op::PlayBackward, PlayState::PlayBackward, U, false, true},
        Transition{PlayState::StepForward, Op::StepForward, PlayState::StepForward, U, false, true},
        Transition{PlayState::StepForward, Op::StepBackward, PlayState::StepBackward, U, false, true},
        Transition{PlayState::StepForward, Op::Stop, PlayState::StepForward, U, false, false},

        Transition{PlayState::StepBackward, Op::PlayForward, PlayState::PlayForward, U, false, true},
        Transition{PlayState::StepBackward, Op::PlayBackward, PlayState::PlayBackward, U, false, true},
        Transition{PlayState::StepBackward, Op::StepForward, PlayState::StepForward, U, false, true},
        Transition{PlayState::StepBackward, Op::StepBackward, PlayState::StepBackward, U, false, true},
        Transition{PlayState::StepBackward, Op::Stop, PlayState::StepBackward, U, false, false}),
    [](const ::testing::TestParamInfo<Transition>& info) {
        return std::string(state_name(info.param.from)) + "_" + op_name(info.param.op);
    });

// The last column of the table: what a paint does to the state and the timer.
struct AfterPaint {
    PlayState from;
    PlayState to;
    bool timer_stopped;
};

void PrintTo(const AfterPaint& t, std::ostream* out) { *out << state_name(t.from); }

class PaintTransition : public ::testing::TestWithParam<AfterPaint> {};

// No command sets it, but a paint must stay safe in any state.
constexpr PlayState kUnknownState = static_cast<PlayState>(9);

TEST_P(PaintTransition, EndsStepsAndStopsTheTimerOnEnteringStopped) {
    const AfterPaint& t = GetParam();
    ShowHarness show;
    show.app.view.play_state = t.from;
    show.platform.timer_running = true;
    show.paint(false);
    EXPECT_EQ(show.app.view.play_state, t.to);
    EXPECT_EQ(show.platform.timer_running, !t.timer_stopped);
    EXPECT_EQ(show.platform.status_updates, 1);  // every paint ends with the status bar
}

INSTANTIATE_TEST_SUITE_P(Playback, PaintTransition,
                         ::testing::Values(AfterPaint{PlayState::Initial, PlayState::Initial, true},
                                           AfterPaint{PlayState::Stopped, PlayState::Stopped, false},
                                           AfterPaint{PlayState::PlayForward, PlayState::PlayForward, false},
                                           AfterPaint{PlayState::PlayBackward, PlayState::PlayBackward, false},
                                           AfterPaint{PlayState::StepForward, PlayState::Stopped, true},
                                           AfterPaint{PlayState::StepBackward, PlayState::Stopped, true},
                                           AfterPaint{kUnknownState, kUnknownState, true}),
                         [](const ::testing::TestParamInfo<AfterPaint>& info) {
                             return std::string(state_name(info.param.from));
                         });

TEST(Playback, PlayForwardShowsTheNextImageAtOnceAndEachTickAnother) {
    ShowHarness show;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) show.add_image(name, 20, 10, Qt::red);
    show.scan();
    play_forward(show.app, show.platform);
    EXPECT_EQ(show.app.view.current_index, 0);  // before the first tick
    EXPECT_EQ(show.app.view.display_no, 1);
    play_tick(show.app, show.platform);
    play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.display_no, 3);
    play_tick(show.app, show.platform);
    EXPECT_EQ(show.app.view.display_no, 1);  // wrapped
    EXPECT_EQ(show.platform.timer_starts, 1);
    EXPECT_TRUE(show.platform.timer_running);
}

TEST(Playback, ReversingDirectionKeepsTheTimerAndRepeatingPlayStepsOnceMore) {
    ShowHarness show;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) show.add_image(name, 20, 10, Qt::red);
    show.scan();
    const int stops_before = show.platform.timer_stops;
    play_forward(show.app, show.platform);   // 0
    play_forward(show.app, show.platform);   // one extra step: 1
    EXPECT_EQ(show.app.view.current_index, 1);
    play_backward(show.app, show.platform);  // 0
    play_backward(show.app, show.platform);  // 3, wrapped
    EXPECT_EQ(show.app.view.current_index, 3);
    EXPECT_EQ(show.platform.timer_starts, 1);
    EXPECT_EQ(show.platform.timer_stops, stops_before);
}

TEST(Playback, StepDuringPlayMakesExactlyOneStepAndStopsTheTimer) {
    ShowHarness show;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) show.add_image(name, 20, 10, Qt::red);
    show.scan();
    play_forward(show.app, show.platform);
    step_forward(show.app, show.platform);
    EXPECT_EQ(show.app.view.current_index, 1);
    EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
    EXPECT_FALSE(show.platform.timer_running);
    // A later play command starts the timer again with the current interval.
    show.app.settings.pl_timeno = 300;
    play_backward(show.app, show.platform);
    EXPECT_TRUE(show.platform.timer_running);
    EXPECT_EQ(show.platform.timer_period, 300);
    EXPECT_EQ(show.app.view.current_index, 0);
}

TEST(Playback, ScanDuringPlayStopsTheTimerAndChoosesNoImage) {
    ShowHarness show;
    show.add_image("a.bmp", 20, 10, Qt::red);
    show.scan();
    play_forward(show.app, show.platform);
    show.scan();
    EXPECT_EQ(show.app.view.play_state, PlayState::Stopped);
    EXPECT_EQ(show.app.view.current_index, -1);
    EXPECT_FALSE(show.platform.timer_running);
}

TEST(Playback, StopRefreshesTheStatusBarAtOnceWithoutRepainting) {
    ShowHarness show;
    show.add_image("a.bmp", 20, 10, Qt::red);
    show.scan();
    play_forward(show.app, show.platform);
    const auto repaints = show.platform.repaints.size();
    stop_play(show.app, show.platform);
    EXPECT_EQ(show.platform.repaints.size(), repaints);
    EXPECT_EQ(show.platform.status_texts.at(0), "指完停止中");
}

TEST(Playback, TimerPeriodFollowsThePlatformLimits) {
    struct Case {
        int32_t pl_timeno;
        int period;
    };
    for (const Case& c : {Case{5, 10}, Case{0, 10}, Case{9, 10}, Case{10, 10}, Case{100, 100}, Case{1500, 1500},
                          Case{-1, INT_MAX}, Case{INT_MIN, INT_MAX}, Case{INT_MAX, INT_MAX}})
        EXPECT_EQ(effective_timer_period(c.pl_timeno), c.period) << c.pl_timeno;
}

}  // namespace
}  // namespace tervo
