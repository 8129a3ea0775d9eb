// Starting and leaving the imaging library.
//
// The four modules are initialised in the order IS40, ISE40, IS3, ISE3 and
// left through IS3Exit. Every other call also works without them: they
// prepare the library's shared set-up once, and report whether it is ready.
#pragma once

#include "platform/imglib/imglib.h"

namespace imglib {

BOOL IS40_Initialize();
BOOL ISE40_Initialize();
BOOL IS3Initialize();
BOOL ISE3Initialize();
// Leaves the library; the modules report not initialised until started again.
BOOL IS3Exit();

// Nonzero while all four modules are initialised.
BOOL IS3IsInitialized();

}  // namespace imglib
