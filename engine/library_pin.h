// Keeps the engine library mapped until the process ends, even when the program unloads it:
// for an engine thread that shutdown had to leave running (see Engine::~Engine). The one
// other part written per system besides the file layer.
#pragma once

namespace ld::engine {

// Best effort, and idempotent; a library linked into the program needs nothing.
void keepLibraryLoaded() noexcept;

}  // namespace ld::engine
