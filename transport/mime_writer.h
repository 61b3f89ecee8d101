// The MIME writer: builds the header of a message and writes the whole message as wire text
// (the part of an SMTP DATA transaction before the final ".").
#pragma once

#include <string>

#include "transport/header_list.h"
#include "transport/header_text.h"
#include "transport/message.h"

namespace transport {

class TIdTCPConnection;

inline constexpr char kMixedBoundary[] = "=_MoreStuf_2zzz1234sadvnqw3nerasdf";
inline constexpr char kRelatedBoundary[] = "=_MoreStuf_2relzzzsadvnq1234w3nerasdf";

// The setting of the user's locale, possibly changed by the message's OnInitializeISO.
HeaderCharsetSetting HeaderCharsetFor(const TIdMessage& msg);

// An address for a header: the bare address, or the display name (encoded when it holds
// control or 8-bit bytes, quoted otherwise) and the address in angle brackets.
std::string FormatAddress(const TIdEMailAddressItem& item, const HeaderCharsetSetting& setting);
std::string FormatAddressList(const TIdEMailAddressList& list, const HeaderCharsetSetting& setting);

// The header lines to send. Sets msg.ContentType from the parts (and appends the charset
// parameter), so a message is built once per send.
TIdHeaderList BuildHeader(TIdMessage& msg);

// Writes the header, an empty line and (unless headers_only) the body and attachments, with
// dot-stuffing, through `connection`.
void WriteMessage(TIdMessage& msg, TIdTCPConnection& connection, bool headers_only = false);

}  // namespace transport
