// E-mail addresses: one item (display name and address, read and written as one text) and an
// ordered list parsed from a comma- or semicolon-separated header value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace transport {

class TIdEMailAddressItem {
 public:
  TIdEMailAddressItem() = default;
  TIdEMailAddressItem(std::string address, std::string name)
      : Address(std::move(address)), Name(std::move(name)) {}

  std::string Address;
  std::string Name;

  // The combined form: a bare address, "Name <address>" or "\"Name\" <address>".
  std::string GetText() const;
  // Parses a combined form into Name and Address. Raises EIdEmailParseError "@ Outside address" for
  // an "@" after a closed address, unless `lenient`: then the address stays and the rest of the
  // text joins the name (the reader, which must never lose a message to a malformed address).
  void SetText(std::string_view text, bool lenient = false);

  void Clear() {
    Address.clear();
    Name.clear();
  }
  bool empty() const { return Address.empty() && Name.empty(); }
};

class TIdEMailAddressList {
 public:
  std::size_t Count() const { return items_.size(); }
  TIdEMailAddressItem& operator[](std::size_t i) { return items_[i]; }
  const TIdEMailAddressItem& operator[](std::size_t i) const { return items_[i]; }
  TIdEMailAddressItem& Add() { return items_.emplace_back(); }
  void Add(TIdEMailAddressItem item) { items_.push_back(std::move(item)); }
  void Clear() { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Replaces the content with the entries of a header value: entries are separated by commas
  // and semicolons outside quotes and comments; a group name up to ":" is dropped; entries
  // whose text is blank or "<>" are left out.
  void SetFromText(std::string_view text, bool lenient = false);

 private:
  std::vector<TIdEMailAddressItem> items_;
};

}  // namespace transport
