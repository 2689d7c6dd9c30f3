// The spooler calls the printer names rely on, with the contracts of Windows:
// an unknown printer is refused with 1801, a short buffer gets 122 and the
// size needed, the record's strings lie in the caller's buffer after it.
// The printers are seeded where Windows keeps them, with the print processor
// and data type Wine's spooler also wants.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Modules.h"
#include "platform/Spooler.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

class Spooler : public testing::Test {
 protected:
  zrtest::RegistrySandbox m_registry;
};

TEST_F(Spooler, AnUnknownPrinterIsRefused) {
  for (const char* name : {"ZrTest No Such Printer", "ZrTest\\Nested"}) {
    HANDLE handle = reinterpret_cast<HANDLE>(1);
    SetLastError(0);
    EXPECT_FALSE(OpenPrinterA(const_cast<char*>(name), &handle, nullptr)) << name;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME)) << name;
  }
}

TEST_F(Spooler, TheRecordOfASeededPrinterCarriesItsPort) {
  ASSERT_TRUE(zrtest::SeedRegistry(R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\ZrTest Spooler Printer]
"Name"="ZrTest Spooler Printer"
"Port"="ZrSpoolerPort"
"Print Processor"="winprint"
"Datatype"="RAW"
)"));
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPrinterA(const_cast<char*>("ZrTest Spooler Printer"), &handle, nullptr));

  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(GetPrinterA(handle, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2A) + std::strlen("ZrSpoolerPort"));

  std::vector<BYTE> record(needed);
  DWORD shortNeeded = 0;
  EXPECT_FALSE(GetPrinterA(handle, 2, record.data(), needed - 1, &shortNeeded));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(shortNeeded, needed);

  ASSERT_TRUE(GetPrinterA(handle, 2, record.data(), needed, &needed));
  const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(record.data());
  ASSERT_NE(info->pPortName, nullptr);
  ASSERT_NE(info->pPrinterName, nullptr);
  EXPECT_STREQ(info->pPortName, "ZrSpoolerPort");
  EXPECT_STREQ(info->pPrinterName, "ZrTest Spooler Printer");
  const BYTE* first = record.data() + sizeof(PRINTER_INFO_2A);
  const BYTE* end = record.data() + record.size();
  for (const char* text : {info->pPortName, info->pPrinterName}) {
    const BYTE* at = reinterpret_cast<const BYTE*>(text);
    EXPECT_TRUE(at >= first && at + std::strlen(text) < end) << text << ": not after the record in the buffer";
  }

  EXPECT_TRUE(ClosePrinter(handle));
}

TEST_F(Spooler, AClosedHandleIsInvalid) {
  ZR_SKIP_UNLESS(!zrtest::IsWindowsBuild(), "a closed handle may be reused at once by Windows");
  ASSERT_TRUE(zrtest::SeedRegistry(R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\ZrTest Spooler Printer]
"Port"="ZrSpoolerPort"
"Print Processor"="winprint"
"Datatype"="RAW"
)"));
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPrinterA(const_cast<char*>("ZrTest Spooler Printer"), &handle, nullptr));
  ASSERT_TRUE(ClosePrinter(handle));
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterA(handle, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(ClosePrinter(handle));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
