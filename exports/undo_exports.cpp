// Undo.
#include "exports/guard.h"
#include "undo/history.h"

using engine::state;
using exports::guarded;

extern "C" {

PTE_API void PTE_CALL PTE_SaveUndoBackBuffer(int32_t layer) { undo::save_back_buffer(state(), layer); }

PTE_API void PTE_CALL PTE_ClearUndo(void) {
    guarded("ClearUndo Excpt", [] { undo::clear(state()); });
}

PTE_API void PTE_CALL PTE_ReduceUndo(int32_t megabytes) {
    guarded("ReduceUndo Excpt", [&] { undo::reduce(state(), megabytes); });
}

}  // extern "C"
