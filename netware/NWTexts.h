// The NetWare lookups' pure pieces: tree-name padding, the IPX address text and
// the maker's node prefixes, names made full in a context, and the value texts
// of directory attributes. None of them calls the client or the platform.
#pragma once

#include <cstdint>

#include "framework/CString.h"
#include "netware/NWClientApi.h"

namespace zrnetware {

// Trees are advertised as bindery names padded with underscores: the name is
// cut at the start of its last run of underscores (and whatever follows it),
// never at the first character, and a trail byte of a double-byte character
// is no underscore.
void RemoveTreeNamePadding(CString& name);

// The first 12 bytes of a NET_ADDRESS value (network 4, node 6, socket 2) as
// "%02x%02x%02x%02x:%02x%02x%02x%02x%02x%02x"; the socket is left out.
CString IPXAddressText(const unsigned char record[12]);

// Whether the node part of an IPX address text begins with one of the maker's prefixes.
bool HasMakerPrefix(const CString& ipxText);

// A relative name in its context: "ps1" in "ou.o" is "ps1.ou.o"; each trailing
// dot climbs one level ("ps1." gives "ps1.o", "ps1.." gives "ps1").
CString MakeFullName(const char* name, const char* context);

// "[" and one letter per right granted, in the order of the protected attribute's kind.
CString RightsText(const char* protectedAttribute, std::uint32_t privileges);

// An access-control value without its subject: the protected attribute, a blank, the rights text.
CString AclRightsText(const Object_ACL_T& acl);

// The text of one attribute value of the given syntax, at most 4096 bytes.
CString AttributeValueText(std::uint32_t syntax, const void* value);

}  // namespace zrnetware
