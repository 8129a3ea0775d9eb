// The boundary of every export: no failure crosses it.
//
// An export forwards to its subsystem inside guarded(); anything thrown
// there is caught here, the export's error text is recorded as the last
// error, and the export returns its neutral result.
#pragma once

#include <utility>

#include "engine/engine_state.h"
#include "paintcore.h"

namespace exports {

template <class T, class Body>
T guarded(const char* error_text, T neutral, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        engine::set_last_error(engine::state(), error_text);
        return neutral;
    }
}

// As guarded, but a failure of type Step records step_text instead: an
// operation whose step has a failure text of its own.
template <class Step, class T, class Body>
T guarded_step(const char* step_text, const char* error_text, T neutral, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const Step&) {
        engine::set_last_error(engine::state(), step_text);
        return neutral;
    } catch (...) {
        engine::set_last_error(engine::state(), error_text);
        return neutral;
    }
}

template <class Step, class Body>
void guarded_step(const char* step_text, const char* error_text, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (const Step&) {
        engine::set_last_error(engine::state(), step_text);
    } catch (...) {
        engine::set_last_error(engine::state(), error_text);
    }
}

template <class Body>
void guarded(const char* error_text, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        engine::set_last_error(engine::state(), error_text);
    }
}

// As guarded, for exports that record no text: a failure only gives the
// neutral result.
template <class T, class Body>
T guarded_quietly(T neutral, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return neutral;
    }
}

template <class Body>
void guarded_quietly(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

}  // namespace exports
