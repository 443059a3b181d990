#include "lifetime.h"

#include <string>

#include "dispatch_object.h"
#include "journal.h"

namespace zelmo::standin {

Lifetime& Lifetime::Get() {
    static Lifetime lifetime;
    return lifetime;
}

Lifetime::Lifetime() : start_(GetTickCount64()), wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void Lifetime::ObjectCreated(DispatchObject* object) {
    objects_.insert(object);
    everUsed_ = true;
}

void Lifetime::ObjectDestroyed(DispatchObject* object) {
    objects_.erase(object);
    WakeIfIdle();
}

void Lifetime::QuitRequested(bool allQuit) {
    if (!allQuit || quitAll_) return;
    quitAll_ = true;
    quitAt_ = GetTickCount64();
    SetEvent(wake_);
}

bool Lifetime::ShouldEnd() {
    const bool idle = Idle();
    if (idle && everUsed_) {
        Journal::Get().Write(L"server end: the last reference was released");
        return true;
    }
    const ULONGLONG now = GetTickCount64();
    if (idle && now - start_ >= kIdleStartMs) {
        Journal::Get().Write(L"server end: no client took an object");
        return true;
    }
    if (quitAll_ && now - quitAt_ >= kQuitGraceMs) {
        Journal::Get().Write(L"server end: Quit was called " + std::to_wstring(kQuitGraceMs / 1000) +
                             L" s ago and references are still held");
        JournalHeldReferences();
        return true;
    }
    return false;
}

void Lifetime::JournalHeldReferences() const {
    for (const DispatchObject* object : objects_)
        Journal::Get().Write(L"server held " + object->Label() + L" refs=" + std::to_wstring(object->RefCount()));
    if (others_ > 0) Journal::Get().Write(L"server held enumerators=" + std::to_wstring(others_));
    if (locks_ > 0) Journal::Get().Write(L"server held locks=" + std::to_wstring(locks_));
}

}  // namespace zelmo::standin
