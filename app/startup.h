// The start-up and tear-down sequence: the device at the chosen render size, the fixed render
// states, the scene objects, the music and the frame-rate font, each step traced; the first
// failing step writes the error log and stops the start-up. Cleanup releases whatever exists.
// Owns: the order of the steps and the device-level globals' lifetime (app/globals.h).
// Does not: create the SDL window (app/saver_window.h) or run frames (app/frame.h).
// Needs: a SaverWindow made with SDL_WINDOW_OPENGL, a device window made by the caller
// (velmora-hack), or none: a null window gives a headless device of the render size
// (velmora-tool, tests); the device of platform/d3d8/d3d8.h.
#pragma once

#include "platform/system/d3d8_types.h"

class SaverWindow;

// Runs the whole start-up on the window: 1 on success, 0 after a failure (traced and logged).
int Initiate(SaverWindow* window);
// The same start-up on a device window that the caller made (velmora-hack: a GL context on the
// host's X window). The start-up takes it over: Cleanup destroys it, also after a failure.
int InitiateOnDeviceWindow(HWND deviceWindow);
// A GL context on the window (headless without one, none made when the caller brought a device
// window), the Direct3D object, the back-buffer format, the device.
HRESULT InitiateD3D(SaverWindow* window);
// The fixed texture stage and render states, the projection aspect, the camera at its start
// eye and the fog with the projection, forced; also after every device reset.
HRESULT InitiateRenderer(SaverWindow* window);
// The scene objects, in their fixed order; the first failure traces "\tFailed\n".
HRESULT InitiateObjects(SaverWindow* window);
// The background music, when it was chosen.
HRESULT InitiateBGM(SaverWindow* window);
// Releases everything in the fixed order; safe after any partial start-up, and twice.
void Cleanup();
