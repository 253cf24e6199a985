// The power notification's data, read only once the memory it lies in is
// known to be there and readable: the system makes the block it points to,
// but any program can send or post the same message with any value in its
// place.
#include "shell/saver_module.h"

namespace {

// The page protections under which memory can be read.
constexpr DWORD ReadableProtections = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                      PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// Walks the regions that the block spans, since a block may begin near the
// end of one region and run on into another, and asks the system about each:
// committed, readable, and no guard page, whose first touch would raise.
bool IsReadableBlock(const void *address, SIZE_T size)
{
    const UINT_PTR start = reinterpret_cast<UINT_PTR>(address);
    if (address == nullptr || start + size < start)
        return false;
    for (UINT_PTR at = start; at < start + size;) {
        MEMORY_BASIC_INFORMATION region = {};
        if (VirtualQuery(reinterpret_cast<const void *>(at), &region, sizeof region) != sizeof region)
            return false;
        if (region.State != MEM_COMMIT || (region.Protect & ReadableProtections) == 0 ||
            (region.Protect & PAGE_GUARD) != 0)
            return false;
        at = reinterpret_cast<UINT_PTR>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

} // namespace

// The display's state from a power-setting notification: only a block that
// lies wholly in readable memory, names the console's display and holds at
// least the one DWORD of its state is one.
BOOL ReadDisplayStateNotification(LPARAM lParam, DWORD *state)
{
    const auto *block = reinterpret_cast<const DisplayStateSetting *>(lParam);
    if (!IsReadableBlock(block, sizeof *block))
        return FALSE;
    DisplayStateSetting setting;
    CopyMemory(&setting, block, sizeof setting);
    if (!IsEqualGUID(setting.PowerSetting, ConsoleDisplayState) || setting.DataLength < sizeof(DWORD))
        return FALSE;
    *state = setting.State;
    return TRUE;
}
