#include "triage/dump/BugCheckNames.h"
#include <gtest/gtest.h>

namespace pv::triage {
namespace {

// Guards the code-to-name table against a shifted or mistyped row: each code is checked by
// itself against the name the bug check code reference gives it.
TEST(BugCheckNames, CommonCodes) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0x00000001, "APC_INDEX_MISMATCH"},
        {0x0000000A, "IRQL_NOT_LESS_OR_EQUAL"},
        {0x00000019, "BAD_POOL_HEADER"},
        {0x0000001A, "MEMORY_MANAGEMENT"},
        {0x0000001E, "KMODE_EXCEPTION_NOT_HANDLED"},
        {0x00000024, "NTFS_FILE_SYSTEM"},
        {0x0000003B, "SYSTEM_SERVICE_EXCEPTION"},
        {0x0000004E, "PFN_LIST_CORRUPT"},
        {0x00000050, "PAGE_FAULT_IN_NONPAGED_AREA"},
        {0x0000006B, "PROCESS1_INITIALIZATION_FAILED"},
        {0x0000007A, "KERNEL_DATA_INPAGE_ERROR"},
        {0x0000007B, "INACCESSIBLE_BOOT_DEVICE"},
        {0x0000007E, "SYSTEM_THREAD_EXCEPTION_NOT_HANDLED"},
        {0x0000007F, "UNEXPECTED_KERNEL_MODE_TRAP"},
        {0x0000008E, "KERNEL_MODE_EXCEPTION_NOT_HANDLED"},
        {0x0000009C, "MACHINE_CHECK_EXCEPTION"},
        {0x0000009F, "DRIVER_POWER_STATE_FAILURE"},
        {0x000000A5, "ACPI_BIOS_ERROR"},
        {0x000000BE, "ATTEMPTED_WRITE_TO_READONLY_MEMORY"},
        {0x000000C2, "BAD_POOL_CALLER"},
        {0x000000C4, "DRIVER_VERIFIER_DETECTED_VIOLATION"},
        {0x000000C5, "DRIVER_CORRUPTED_EXPOOL"},
        {0x000000C6, "DRIVER_CAUGHT_MODIFYING_FREED_POOL"},
        {0x000000D1, "DRIVER_IRQL_NOT_LESS_OR_EQUAL"},
        {0x000000DF, "IMPERSONATING_WORKER_THREAD"},
        {0x000000EA, "THREAD_STUCK_IN_DEVICE_DRIVER"},
        {0x000000ED, "UNMOUNTABLE_BOOT_VOLUME"},
        {0x000000EF, "CRITICAL_PROCESS_DIED"},
        {0x000000F4, "CRITICAL_OBJECT_TERMINATION"},
        {0x000000FC, "ATTEMPTED_EXECUTE_OF_NOEXECUTE_MEMORY"},
        {0x000000FE, "BUGCODE_USB_DRIVER"},
        {0x00000101, "CLOCK_WATCHDOG_TIMEOUT"},
        {0x00000109, "CRITICAL_STRUCTURE_CORRUPTION"},
        {0x0000010D, "WDF_VIOLATION"},
        {0x00000116, "VIDEO_TDR_FAILURE"},
        {0x00000117, "VIDEO_TDR_TIMEOUT_DETECTED"},
        {0x00000124, "WHEA_UNCORRECTABLE_ERROR"},
        {0x00000133, "DPC_WATCHDOG_VIOLATION"},
        {0x00000139, "KERNEL_SECURITY_CHECK_FAILURE"},
        {0x0000013A, "KERNEL_MODE_HEAP_CORRUPTION"},
        {0x00000141, "VIDEO_ENGINE_TIMEOUT_DETECTED"},
        {0x00000144, "BUGCODE_USB3_DRIVER"},
        {0x00000154, "UNEXPECTED_STORE_EXCEPTION"},
        {0x000001D0, "ACPI_FIRMWARE_WATCHDOG_TIMEOUT"},
        {0x00020001, "HYPERVISOR_ERROR"},
        {0x4000008A, "THREAD_TERMINATE_HELD_MUTEX"},
        {0xC000021A, "STATUS_SYSTEM_PROCESS_TERMINATED"},
        {0xDEADDEAD, "MANUALLY_INITIATED_CRASH1"},
        // The _M forms the reference lists, and the same rule for the others.
        {0x1000007E, "SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M"},
        {0x1000007F, "UNEXPECTED_KERNEL_MODE_TRAP_M"},
        {0x1000008E, "KERNEL_MODE_EXCEPTION_NOT_HANDLED_M"},
        {0x100000EA, "THREAD_STUCK_IN_DEVICE_DRIVER_M"},
        {0x1000000A, "IRQL_NOT_LESS_OR_EQUAL_M"},
        {0x10000050, "PAGE_FAULT_IN_NONPAGED_AREA_M"},
        {0x100000D1, "DRIVER_IRQL_NOT_LESS_OR_EQUAL_M"},
    };
    for (const auto& [code, name] : cases) {
        EXPECT_EQ(BugCheckName(code), name) << std::hex << code;
    }
    EXPECT_GE(BugCheckNameCount(), 80u);
}

// Guards against invented names: a code the reference does not list has none, with or without
// the 0x10000000 flag, and the flag is not applied twice.
TEST(BugCheckNames, UnknownCodesHaveNoName) {
    for (const uint32_t code :
         {0x00000000u, 0x00000083u, 0x00000091u, 0x0000FFFFu, 0x10000083u, 0x10000000u, 0x2000007Eu,
          0x3000007Eu, 0x1000007E | 0x20000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(BugCheckName(code), "") << std::hex << code;
    }
}

TEST(BugCheckNames, ExceptionCodes) {
    EXPECT_EQ(ExceptionCodeName(0xC0000005), "access violation");
    EXPECT_EQ(ExceptionCodeName(0x80000003), "breakpoint");
    EXPECT_EQ(ExceptionCodeName(0xC000001D), "illegal instruction");
    EXPECT_EQ(ExceptionCodeName(0xC0000094), "integer division by zero");
    EXPECT_EQ(ExceptionCodeName(0xC0000409), "stack buffer overrun");
    EXPECT_EQ(ExceptionCodeName(0xC0000006), "in-page error");
    EXPECT_EQ(ExceptionCodeName(0xC0000001), "");
    EXPECT_EQ(ExceptionCodeName(0), "");
}

// Guards which bug checks carry an exception code in their first parameter, and the sign
// extension of 64-bit systems.
TEST(BugCheckNames, ExceptionCodeParameter) {
    const std::array<uint64_t, 4> signExtended{0xFFFFFFFFC0000005ULL, 1, 2, 3};
    const std::array<uint64_t, 4> plain{0xC000001DULL, 1, 2, 3};
    const std::array<uint64_t, 4> pointer{0xFFFFF80512A4334CULL, 1, 2, 3};
    EXPECT_EQ(ExceptionCodeParameter(0x7E, signExtended), 0xC0000005u);
    EXPECT_EQ(ExceptionCodeParameter(0x1000007E, signExtended), 0xC0000005u);
    EXPECT_EQ(ExceptionCodeParameter(0x1000008E, plain), 0xC000001Du);
    EXPECT_EQ(ExceptionCodeParameter(0x1E, plain), 0xC000001Du);
    EXPECT_EQ(ExceptionCodeParameter(0x3B, plain), 0xC000001Du);
    EXPECT_FALSE(ExceptionCodeParameter(0xD1, plain)) << "0xD1's first parameter is an address";
    EXPECT_FALSE(ExceptionCodeParameter(0x7E, pointer)) << "not a 32-bit code";
}

} // namespace
} // namespace pv::triage
