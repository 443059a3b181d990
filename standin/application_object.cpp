#include <algorithm>

#include "automation_error.h"
#include "ids.h"
#include "lifetime.h"
#include "objects.h"

namespace zelmo::standin {
namespace {

// Every instance this process has served, to know when all of them have been told to quit.
std::vector<std::weak_ptr<Instance>>& AllInstances() {
    static std::vector<std::weak_ptr<Instance>> instances;
    return instances;
}

}  // namespace

bool AllInstancesQuit() {
    for (const auto& weak : AllInstances()) {
        const auto instance = weak.lock();
        if (instance && !instance->quit) return false;
    }
    return true;
}

ApplicationObject::ApplicationObject() : instance_(std::make_shared<Instance>()) {
    AllInstances().push_back(instance_);
    number_ = static_cast<int>(AllInstances().size());
}

std::wstring ApplicationObject::Label() const { return L"Application#" + std::to_wstring(number_); }

const IID& ApplicationObject::PublicIid() const { return kIidApplication; }

const std::vector<MemberInfo>& ApplicationObject::Members() const {
    static const std::vector<MemberInfo> members = {
        {kDispWorkbooks, L"Workbooks", {}},
        {kDispQuit, L"Quit", {}},
        {kDispVisible, L"Visible", {}},
        {kDispDisplayAlerts, L"DisplayAlerts", {}},
        {kDispName, L"Name", {}},
        {DISPID_VALUE, L"_Default", {}},
    };
    return members;
}

void ApplicationObject::Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) {
    // A Boolean property of the instance: a put sets it while the instance runs, a get reads it.
    auto boolProperty = [&](bool& value) {
        if (!IsPut(flags)) return ReturnBool(result, value);
        instance_->CheckRunning();
        value = args.PutBool();
    };
    switch (id) {
        case kDispWorkbooks:
            instance_->CheckRunning();
            return workbooks_.Return(result, [&] { return new WorkbooksObject(instance_); });
        case kDispQuit:
            // Quit discards every workbook without saving; the process ends once the client lets go
            // (or, at the latest, a few seconds later).
            instance_->Quit();
            Lifetime::Get().QuitRequested(AllInstancesQuit());
            return;
        case kDispVisible:
            return boolProperty(instance_->visible);
        case kDispDisplayAlerts:
            return boolProperty(instance_->displayAlerts);
        case kDispName:
        case DISPID_VALUE:
            return ReturnString(result, kServerName);
        default:
            NoSuchMember();
    }
}

}  // namespace zelmo::standin
