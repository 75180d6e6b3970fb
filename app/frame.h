// One frame of the running saver: the time step, the key poll, the drawing, the present with
// the recovery of a lost device, and Escape's close request after the present.
// Owns: the order of a frame's steps and the time step globals (app/globals.h).
// Does not: handle window events (app/saver_window.h); create or release the device.
// Needs: a device made by the start-up (app/startup.h); does nothing before it is ready.
#pragma once

class SaverWindow;

// The time step's cap, seconds: a slow frame never advances the scene by more.
constexpr float kMaxTimeStep = 0.03f;

// Runs one frame; window receives the close when Escape was down at the poll (may be null).
void Frame(SaverWindow* window);
// The drawing part of a frame.
void Render();
