// When the server process ends. Like the spreadsheet program, it lives while clients hold its
// objects: it ends as soon as the last object is released, and
//   - after Quit, at most kQuitGraceMs later even if references are still held (those are written
//     to the journal),
//   - when it was started for a client that never took an object (kIdleStartMs),
//   - when the client process that started it has ended (its references can no longer be released).
// Its state is the server's (server_lock.h): callers hold the server lock.
#pragma once

#include <windows.h>

#include <set>

namespace zelmo::standin {

class DispatchObject;

class Lifetime {
public:
    static constexpr ULONGLONG kQuitGraceMs = 5000;
    static constexpr ULONGLONG kIdleStartMs = 5000;

    static Lifetime& Get();

    // Every COM object of the server, counted from construction to destruction.
    void ObjectCreated(DispatchObject* object);
    void ObjectDestroyed(DispatchObject* object);
    void OtherObjectCreated() { ++others_; everUsed_ = true; }
    void OtherObjectDestroyed() {
        --others_;
        WakeIfIdle();
    }
    // IClassFactory::LockServer.
    void Lock(bool lock) {
        locks_ += lock ? 1 : -1;
        if (lock) everUsed_ = true;
        WakeIfIdle();
    }
    // An application was told to quit; `allQuit` when no application instance is still running.
    void QuitRequested(bool allQuit);

    bool allQuit() const { return quitAll_; }
    // True when `object` is a live object of this process (a pointer got through the private IID).
    bool IsLive(const DispatchObject* object) const { return objects_.count(const_cast<DispatchObject*>(object)) != 0; }

    // The client process that started the server (null when unknown); owned by the caller.
    void SetClientProcess(HANDLE process) { client_ = process; }
    HANDLE clientProcess() const { return client_; }

    // Called by the main thread's loop; true when the process should end now. Writes why to the
    // journal.
    bool ShouldEnd();
    // Set when the loop should look again at once: the last object went, or every instance quit.
    // Calls run on other threads than the loop's, so nothing else wakes it.
    HANDLE wakeEvent() const { return wake_; }
    // Writes the objects still alive (and their reference counts) to the journal.
    void JournalHeldReferences() const;

private:
    Lifetime();
    // No object, enumerator or lock of a client is left.
    bool Idle() const { return objects_.empty() && others_ == 0 && locks_ == 0; }
    void WakeIfIdle() {
        if (Idle()) SetEvent(wake_);
    }
    std::set<DispatchObject*> objects_;
    long others_ = 0;
    long locks_ = 0;
    bool everUsed_ = false;
    bool quitAll_ = false;
    ULONGLONG start_;
    ULONGLONG quitAt_ = 0;
    HANDLE client_ = nullptr;
    HANDLE wake_;  // auto-reset; lives as long as the process
};

}  // namespace zelmo::standin
