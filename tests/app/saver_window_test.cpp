#include "app/saver_window.h"

#include <gtest/gtest.h>

namespace {
SDL_Event MouseButton(Uint8 button) {
    SDL_Event event = {};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = button;
    return event;
}

SDL_Event Key(SDL_Keycode key, SDL_Scancode code) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = code;
    return event;
}

SDL_Event WindowEvent(Uint8 what) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    return event;
}

TEST(SaverWindow, PointerMovementBeyondFourPixelsInTotalCloses) {
    SaverWindow window;
    EXPECT_FALSE(window.PointerMovedAway(3, 1));  // 4 in total is tolerated
    EXPECT_FALSE(window.PointerMovedAway(0, -4));
    EXPECT_TRUE(window.PointerMovedAway(3, 2));
    // The position that triggered becomes the reference.
    EXPECT_FALSE(window.PointerMovedAway(3, 2));
    EXPECT_FALSE(window.PointerMovedAway(7, 2));
    EXPECT_TRUE(window.PointerMovedAway(-2, 2));  // left counts as right
    EXPECT_FALSE(window.PointerMovedAway(-2, 6));
    EXPECT_TRUE(window.PointerMovedAway(-2, 7));
}

SDL_Event Motion(int x, int y) {
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

TEST(SaverWindow, MotionIsJudgedByThePositionTheEventCarries) {
    // Absolute moves from a stored (600, 400): 603, 604 and 605 across, then 606 and 2 down.
    SaverWindow window;
    window.PointerMovedAway(600, 400);
    for (int x : {603, 604, 601}) {
        window.HandleEvent(Motion(x, 400));
        EXPECT_FALSE(window.ClosePosted()) << "x " << x;
    }
    window.HandleEvent(Motion(603, 401));  // 3 + 1 in total
    EXPECT_FALSE(window.ClosePosted());
    window.HandleEvent(Motion(603, 402));  // 3 + 2
    EXPECT_TRUE(window.ClosePosted());

    SaverWindow other;
    other.PointerMovedAway(600, 400);
    other.HandleEvent(Motion(605, 400));
    EXPECT_TRUE(other.ClosePosted()) << "5 across";
    SaverWindow left;
    left.PointerMovedAway(600, 400);
    left.HandleEvent(Motion(596, 399));
    EXPECT_TRUE(left.ClosePosted()) << "4 left and 1 up";
}

TEST(SaverWindow, AnyMouseButtonFocusLossOrQuitPostsTheClose) {
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    for (const SDL_Event& event : {MouseButton(SDL_BUTTON_LEFT), MouseButton(SDL_BUTTON_RIGHT),
                                   MouseButton(SDL_BUTTON_MIDDLE), MouseButton(SDL_BUTTON_X1),
                                   WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), quit}) {
        SaverWindow window;
        window.HandleEvent(event);
        EXPECT_TRUE(window.ClosePosted()) << "event type " << event.type;
        EXPECT_FALSE(window.IsClosed()) << "the loop closes, not the reaction";
    }
}

TEST(SaverWindow, KeysAndOtherWindowEventsNeverClose) {
    SDL_Event released = MouseButton(SDL_BUTTON_LEFT);
    released.type = SDL_MOUSEBUTTONUP;
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    SaverWindow window;
    for (const SDL_Event& event :
         {Key(SDLK_a, SDL_SCANCODE_A), Key(SDLK_w, SDL_SCANCODE_W), Key(SDLK_UP, SDL_SCANCODE_UP),
          Key(SDLK_LEFT, SDL_SCANCODE_LEFT), Key(SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN),
          Key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED),
          WindowEvent(SDL_WINDOWEVENT_EXPOSED), WindowEvent(SDL_WINDOWEVENT_MINIMIZED), released,
          wheel})
        window.HandleEvent(event);
    EXPECT_FALSE(window.ClosePosted());
}

TEST(SaverWindow, CloseTurnsTextInputBackOn) {
    SDL_StopTextInput();  // as the window's creation does
    SaverWindow window;
    window.PostClose();
    window.Close();
    EXPECT_TRUE(SDL_IsTextInputActive());
}

TEST(SaverWindow, CloseAndDestroyAreSafeWithoutAWindow) {
    SaverWindow window;
    window.PostClose();
    window.Close();
    EXPECT_TRUE(window.IsClosed());
    window.Destroy();
    window.Destroy();
    EXPECT_EQ(window.Handle(), nullptr);
}
}  // namespace
