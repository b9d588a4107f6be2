// The library's own filter base: answers the host's text and identity
// queries from the static descriptor record.
#pragma once
#include "hostsdk/filter.h"

class FilterBase : public ImageFilter {
 public:
  ~FilterBase() override = default;
  const char* FilterName() override;
  const char* AuthorText() override;
  const char* CopyrightText() override;
  std::uint32_t FilterIdent() override;
  std::uint32_t FilterFlags() override;
};
