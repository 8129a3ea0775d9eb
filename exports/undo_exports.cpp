// Undo.
#include "exports/guard.h"
#include "undo/history.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_SaveUndoBuffer(uint8_t savePixels, uint8_t saveMask) {
    guarded("SaveUndoBuf Excpt", [&] { undo::save_step(state(), savePixels != 0, saveMask != 0); });
}

PTE_API void PTE_CALL PTE_SaveUndoBackBuffer(int32_t layer) { undo::save_back_buffer(state(), layer); }

PTE_API void PTE_CALL PTE_Undo(void) {
    guarded("Undo Excpt", [] { undo::undo_step(state()); });
}

PTE_API void PTE_CALL PTE_Redo(void) {
    guarded("Redo Excpt", [] { undo::redo_step(state()); });
}

PTE_API void PTE_CALL PTE_ClearUndo(void) {
    guarded("ClearUndo Excpt", [] { undo::clear(state()); });
}

PTE_API void PTE_CALL PTE_ReduceUndo(int32_t megabytes) {
    guarded("ReduceUndo Excpt", [&] { undo::reduce(state(), megabytes); });
}

PTE_API void PTE_CALL PTE_SetUndoLevels(int32_t levels) {
    guarded("SetUndoLevels Excpt", [&] { undo::set_levels(state(), levels); });
}

PTE_API void PTE_CALL PTE_SetUndoMB(int32_t megabytes) {
    guarded("SetUndoMB Excpt", [&] { undo::set_budget_mb(state(), megabytes); });
}

PTE_API void PTE_CALL PTE_PauseUndo(void) { state().undo.paused = 1; }

PTE_API void PTE_CALL PTE_ResumeUndo(void) { state().undo.paused = 0; }

PTE_API int32_t PTE_CALL PTE_CanUndo(void) { return undo::can_undo(state()) ? 1 : 0; }

PTE_API int32_t PTE_CALL PTE_CanRedo(void) { return undo::can_redo(state()) ? 1 : 0; }

PTE_API int32_t PTE_CALL PTE_GetRedoCount(void) { return state().undo.redoCount; }

PTE_API int32_t PTE_CALL PTE_GetUndoCount(void) { return undo::step_count(state()); }

PTE_API int32_t PTE_CALL PTE_GetTotalUndoMemory(void) {
    return guarded("GetTotalUndoMemory Excpt", int32_t{0}, [] { return undo::budget_mb(state()); });
}

PTE_API int32_t PTE_CALL PTE_GetCurrentUndoMemory(void) { return undo::memory_mb(state()); }

}  // extern "C"
