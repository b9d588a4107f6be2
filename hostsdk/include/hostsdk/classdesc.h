// The host's class descriptor: 15 virtual slots in the host's order and no
// data. Descriptors are static objects and never deleted through this base.
#pragma once
#include <cstdint>

struct ClassId {
  std::uint32_t a;
  std::uint32_t b;
  friend bool operator==(const ClassId&, const ClassId&) = default;
};

class ClassDescriptor {
 public:
  // Slots whose meaning is the host's carry neutral names and its defaults.
  virtual int Available() = 0;                           // 0
  virtual void* Create(int flag) = 0;                    // 1
  virtual int HostQuery2(int) { return 0; }              // 2
  virtual int HostQuery3(int) { return 0; }              // 3
  virtual const char* ClassName() = 0;                   // 4
  virtual std::uint32_t FamilyCode() = 0;                // 5
  virtual ClassId ClassID() = 0;                         // 6
  virtual const char* Category() = 0;                    // 7
  virtual int HostQuery8(int) { return 1; }              // 8
  virtual int HostQuery9() { return 0; }                 // 9
  virtual void HostNotify10(int) {}                      // 10
  virtual void HostNotify11(int) {}                      // 11
  virtual int HostQuery12() { return 0; }                // 12
  virtual int HostQuery13(int) { return 0; }             // 13
  virtual int HostQuery14(int) { return 0; }             // 14

 protected:
  ClassDescriptor() = default;
  ~ClassDescriptor() = default;
};
