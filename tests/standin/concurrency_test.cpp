// Clients calling one server at the same time: the server runs their calls on COM's threads, one
// at a time under its one lock, and its object model must come out of interleaved calls as out of
// the same calls made one after another.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "server_fixture.h"

namespace zelmo::standin_test {
namespace {

constexpr int kClients = 4;
constexpr int kCopiesEach = 40;

Variant Missing() { return Variant::Missing(); }

// One client thread of its own apartment: copies the source's sheets behind the last sheet of the
// shared target kCopiesEach times, looking the last sheet up afresh every time as the product does.
// Returns what went wrong, or nothing.
std::wstring RunClient(IStream* marshalled) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return L"CoInitializeEx failed";
    std::wstring problem;
    try {
        win::ComPtr<IDispatch> raw;
        const HRESULT hr = CoGetInterfaceAndReleaseStream(marshalled, IID_IDispatch, raw.put_void());
        if (FAILED(hr)) throw win::ComError(hr, L"CoGetInterfaceAndReleaseStream");
        const Dispatch app(std::move(raw));
        const Dispatch books = app.Get(L"Workbooks").ToDispatch();
        const Dispatch target = ItemOf(books, L"Book1");
        const Dispatch sourceSheets = ItemOf(books, L"src.xlsx").Get(L"Sheets").ToDispatch();
        for (int i = 0; i < kCopiesEach; ++i) {
            const Dispatch sheets = target.Get(L"Sheets").ToDispatch();
            const Dispatch last = sheets.GetDefault(sheets.Get(L"Count").ToInt32()).ToDispatch();
            sourceSheets.GetDefault(int32_t{1 + i % 2}).ToDispatch().Call(L"Copy", Missing(), last);
        }
    } catch (const win::ComError& e) {
        problem = e.member() + L": " + win::HexCode(e.hr()) + L" " + e.description();
    }
    CoUninitialize();
    return problem;
}

TEST_F(ServerTest, CopiesFromSeveralClientsAtOnceIntoOneBookAllArriveUnderUniqueNames) {
    const std::wstring source = *folder_ / L"src.xlsx";
    const std::wstring out = *folder_ / L"out.xlsx";
    MakeBook(source, {"a1", "a2"});
    std::vector<std::wstring> problems(kClients);
    {
        const Dispatch app = StartExcel();
        const Dispatch books = app.Get(L"Workbooks").ToDispatch();
        const Dispatch sourceBook = books.Call(L"Open", source).ToDispatch();
        const Dispatch target = books.Call(L"Add").ToDispatch();
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            IStream* stream = nullptr;
            if (CoMarshalInterThreadInterfaceInStream(IID_IDispatch, app.get(), &stream) != S_OK) {
                ADD_FAILURE() << "the application could not be handed to client " << c;
                break;
            }
            const size_t slot = static_cast<size_t>(c);
            clients.emplace_back([&problems, slot, stream] { problems[slot] = RunClient(stream); });
        }
        // The clients' proxies lead to the server itself, not through this thread's apartment.
        for (std::thread& client : clients) client.join();
        EXPECT_EQ(1 + kClients * kCopiesEach, target.Get(L"Sheets").ToDispatch().Get(L"Count").ToInt32());
        target.Call(L"SaveAs", out);
        app.Call(L"Quit");
    }
    for (int c = 0; c < kClients; ++c) EXPECT_EQ(L"", problems[static_cast<size_t>(c)]) << "client " << c;
    // Whatever the interleaving: every copy is there once, numbered as Excel numbers taken names.
    std::vector<std::string> expected{"Sheet1", "a1", "a2"};
    for (int n = 2; n <= kClients * kCopiesEach / 2; ++n) {
        expected.push_back("a1 (" + std::to_string(n) + ")");
        expected.push_back("a2 (" + std::to_string(n) + ")");
    }
    std::vector<std::string> names = test::SheetsOf(out);
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
}

}  // namespace
}  // namespace zelmo::standin_test
