// The structured-exception guard around the run modes. The compiler offers
// no language form of it for this target, so the guard links its own frame
// into the thread's exception chain (the chain head lives at FS:[0]),
// lets the system's unhandled-exception filter decide, and on "handle"
// unwinds the inner frames and resumes in the guard's own frame.
#include "shell/exception_guard.h"

#include "shell/password_library.h"

namespace {

// The record the system walks, followed by where to resume. The system
// requires the record itself to live on the stack of the thread.
struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD Registration;
    void *Resume[5];
};

// There is one thread and the guard is never nested, so the handler finds
// its frame here after the system's unwinder has run.
GuardFrame *ActiveGuard;
EXCEPTION_RECORD *UnwindRecord;

EXCEPTION_REGISTRATION_RECORD *ChainHead()
{
    EXCEPTION_REGISTRATION_RECORD *head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD *head)
{
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

// Runs the handlers of every frame above the guard's own and takes them
// off the chain. The system's unwinder does not keep EBX, ESI and EDI, so
// the call is made where the compiler knows that, with its arguments in
// memory at fixed addresses.
void UnwindToGuard()
{
    __asm__ __volatile__("pushl $0\n\t"
                         "pushl %0\n\t"
                         "pushl $0\n\t"
                         "pushl %1\n\t"
                         "call _RtlUnwind@16"
                         :
                         : "m"(UnwindRecord), "m"(ActiveGuard)
                         : "eax", "ebx", "ecx", "edx", "esi", "edi", "memory", "cc");
}

// The guard's frame handler: the system's filter decides what happens to
// the exception; when it says "handle", control goes back to the guard.
EXCEPTION_DISPOSITION NTAPI GuardHandler(EXCEPTION_RECORD *record, void *, CONTEXT *context, void *)
{
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0)
        return ExceptionContinueSearch;

    EXCEPTION_POINTERS pointers = {record, context};
    LONG verdict = UnhandledExceptionFilter(&pointers);
    if (verdict == EXCEPTION_CONTINUE_EXECUTION)
        return ExceptionContinueExecution;
    if (verdict != EXCEPTION_EXECUTE_HANDLER)
        return ExceptionContinueSearch;

    UnwindRecord = record;
    UnwindToGuard();
    __builtin_longjmp(ActiveGuard->Resume, 1);
}

} // namespace

// Runs the body with the guard's frame on top of the thread's exception
// chain. A handled exception ends the body where it was: the screen-saver-
// running state is switched off and the result of that is returned.
__attribute__((noinline)) int RunInExceptionGuard(int (*body)(const char *), const char *text)
{
    GuardFrame frame = {};
    frame.Registration.Handler = GuardHandler;
    ActiveGuard = &frame;
    if (__builtin_setjmp(frame.Resume) != 0) {
        // Back from the handler: the unwind has left the guard's record on
        // top of the chain.
        SetChainHead(ActiveGuard->Registration.Next);
        ActiveGuard = nullptr;
        return SetSaverRunning(FALSE);
    }
    frame.Registration.Next = ChainHead();
    SetChainHead(&frame.Registration);

    int result = body(text);

    SetChainHead(frame.Registration.Next);
    ActiveGuard = nullptr;
    return result;
}
