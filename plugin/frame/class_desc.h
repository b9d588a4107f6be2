// The descriptor through which the host creates mirror filters.
#pragma once
#include "hostsdk/classdesc.h"

inline constexpr ClassId kFilterClassId = {0x43FD4178u, 0x26147C48u};
inline constexpr std::uint32_t kFilterFamilyCode = 0xE00;

class FilterClassDesc final : public ClassDescriptor {
 public:
  int Available() noexcept override { return 1; }
  void* Create(int flag) noexcept override;
  const char* ClassName() noexcept override;
  std::uint32_t FamilyCode() noexcept override { return kFilterFamilyCode; }
  ClassId ClassID() noexcept override { return kFilterClassId; }
  const char* Category() noexcept override;
};

ClassDescriptor* GetFilterClassDesc();
