#include "netware/NWTexts.h"

#include <cstdio>
#include <vector>

#include "framework/Mbcs.h"

namespace zrnetware {

namespace {

const char* const c_lpszMakerPrefixes[] = {"0A5C3E", "02A7F1"};
const std::size_t c_nValueTextSize = 4096;

const char* Text(const char* text) { return text ? text : ""; }

// Pointers as 32-bit values, the way the log lines write them.
unsigned Low32(const void* pointer) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(pointer)); }

}  // namespace

void RemoveTreeNamePadding(CString& name) {
  const int length = name.GetLength();
  std::vector<bool> trail(static_cast<std::size_t>(length) + 1, false);
  const char* text = name;
  for (int i = 0; i < length;) {
    int step = static_cast<int>(zrframework::Mbcs::CharLength(text + i));
    if (step == 2) trail[static_cast<std::size_t>(i) + 1] = true;
    i += step;
  }
  int cut = -1;
  for (int i = length - 1; i >= 1; --i) {
    if (text[i] == '_' && !trail[static_cast<std::size_t>(i)]) {
      cut = i;
    } else if (cut >= 0) {
      break;
    }
  }
  if (cut >= 0) name = name.Left(cut);
}

CString IPXAddressText(const unsigned char r[12]) {
  CString text;
  text.Format("%02x%02x%02x%02x:%02x%02x%02x%02x%02x%02x", r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9]);
  return text;
}

bool HasMakerPrefix(const CString& ipxText) {
  int colon = ipxText.Find(':');
  if (colon < 0) return false;
  CString node = ipxText.Mid(colon + 1, 6);
  for (const char* prefix : c_lpszMakerPrefixes) {
    if (node.CompareNoCase(prefix) == 0) return true;
  }
  return false;
}

CString MakeFullName(const char* name, const char* context) {
  CString relative(name);
  CString rest(context);
  CString result;
  // Trailing dots, counted whole characters at a time.
  int lastNonDot = -1;
  const char* text = relative;
  for (int i = 0; i < relative.GetLength();) {
    int step = static_cast<int>(zrframework::Mbcs::CharLength(text + i));
    if (!(step == 1 && text[i] == '.')) lastNonDot = i + step - 1;
    i += step;
  }
  int dots = relative.GetLength() - 1 - lastNonDot;
  if (dots == 0) {
    result.Format("%s.%s", static_cast<const char*>(relative), static_cast<const char*>(rest));
    return result;
  }
  CString kept = relative.Left(lastNonDot + 1) + ".";
  for (int n = 0; n < dots; ++n) {
    int dot = rest.Find('.');
    if (dot < 0) {
      kept = kept.Left(kept.GetLength() - 1);
      rest.Empty();
      break;
    }
    rest = rest.Mid(dot + 1);
  }
  result.Format("%s%s", static_cast<const char*>(kept), static_cast<const char*>(rest));
  return result;
}

CString RightsText(const char* protectedAttribute, std::uint32_t privileges) {
  struct Right {
    std::uint32_t bit;
    char letter;
  };
  static const Right entryRights[] = {{0x1, 'B'}, {0x2, 'A'}, {0x4, 'D'}, {0x8, 'R'}, {0x10, 'S'}};
  static const Right smsRights[] = {{0x1, 'S'}, {0x2, 'B'}, {0x4, 'R'}, {0x8, 'C'}, {0x10, 'D'}, {0x20, 'A'}};
  static const Right attributeRights[] = {{0x1, 'C'}, {0x2, 'R'}, {0x4, 'W'}, {0x8, 'A'}, {0x20, 'S'}};
  const Right* rights = attributeRights;
  std::size_t count = sizeof attributeRights / sizeof attributeRights[0];
  CString attribute(protectedAttribute);
  if (attribute == "[Entry Rights]") {
    rights = entryRights;
    count = sizeof entryRights / sizeof entryRights[0];
  } else if (attribute == "[SMS Rights]") {
    rights = smsRights;
    count = sizeof smsRights / sizeof smsRights[0];
  }
  CString text("[");
  for (std::size_t i = 0; i < count; ++i) {
    if (privileges & rights[i].bit) text += rights[i].letter;
  }
  text += ']';
  return text;
}

CString AclRightsText(const Object_ACL_T& acl) {
  CString text(Text(acl.protectedAttrName));
  text += ' ';
  text += RightsText(Text(acl.protectedAttrName), acl.privileges);
  return text;
}

CString AttributeValueText(std::uint32_t syntax, const void* value) {
  char buffer[c_nValueTextSize] = {};
  const std::size_t size = sizeof buffer;
  switch (syntax) {
    case SYN_DIST_NAME:
    case SYN_CE_STRING:
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
    case SYN_CLASS_NAME:
      std::snprintf(buffer, size, "%s", Text(static_cast<const char*>(value)));
      break;
    case SYN_CI_LIST: {
      const CI_List_T* list = static_cast<const CI_List_T*>(value);
      std::snprintf(buffer, size, "%s", Text(list->s));
      break;
    }
    case SYN_BOOLEAN:
      std::snprintf(buffer, size, "%s", *static_cast<const std::uint8_t*>(value) ? "TRUE" : "FALSE");
      break;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
      std::snprintf(buffer, size, "%lu", static_cast<unsigned long>(*static_cast<const std::uint32_t*>(value)));
      break;
    case SYN_OCTET_STRING: {
      const Octet_String_T* octets = static_cast<const Octet_String_T*>(value);
      std::snprintf(buffer, size, "Length: 0x%x, Data: 0x%x", octets->length, Low32(octets->data));
      break;
    }
    case SYN_FAX_NUMBER:
      std::snprintf(buffer, size, "%s", Text(static_cast<const Fax_Number_T*>(value)->telephoneNumber));
      break;
    case SYN_NET_ADDRESS: {
      const Net_Address_T* address = static_cast<const Net_Address_T*>(value);
      unsigned char bytes[10] = {};
      for (std::uint32_t i = 0; i < 10 && i < address->addressLength && address->address; ++i) {
        bytes[i] = address->address[i];
      }
      std::snprintf(buffer, size,
                    "Address Type:%lu, Address Length:%lu, Address:%02X%02X%02X%02X:%02X%02X%02X%02X%02X%02X",
                    static_cast<unsigned long>(address->addressType),
                    static_cast<unsigned long>(address->addressLength), bytes[0], bytes[1], bytes[2], bytes[3],
                    bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9]);
      break;
    }
    case SYN_OCTET_LIST:
      std::snprintf(buffer, size, "Because the syntax SYN_OCTET_LIST is a linked list, it is not shown here");
      break;
    case SYN_EMAIL_ADDRESS: {
      const EMail_Address_T* mail = static_cast<const EMail_Address_T*>(value);
      std::snprintf(buffer, size, "%lu, %s", static_cast<unsigned long>(mail->type), Text(mail->address));
      break;
    }
    case SYN_BACK_LINK: {
      const Back_Link_T* link = static_cast<const Back_Link_T*>(value);
      std::snprintf(buffer, size, "%lu, %s", static_cast<unsigned long>(link->remoteID), Text(link->objectName));
      break;
    }
    case SYN_PATH: {
      const Path_T* path = static_cast<const Path_T*>(value);
      std::snprintf(buffer, size, "Name Space Type: %lu, %s:%s", static_cast<unsigned long>(path->nameSpaceType),
                    Text(path->volumeName), Text(path->path));
      break;
    }
    case SYN_REPLICA_POINTER: {
      const Replica_Pointer_T* replica = static_cast<const Replica_Pointer_T*>(value);
      std::snprintf(buffer, size,
                    "serverName: %s, replicaType: %lu, replicaNumber: %u, count: %lu, "
                    "Replica_Pointer_T.Net_Address_T not shown",
                    Text(replica->serverName), static_cast<unsigned long>(replica->replicaType),
                    static_cast<unsigned>(replica->replicaNumber), static_cast<unsigned long>(replica->count));
      break;
    }
    case SYN_OBJECT_ACL: {
      const Object_ACL_T* acl = static_cast<const Object_ACL_T*>(value);
      std::snprintf(buffer, size, "%s %s", static_cast<const char*>(AclRightsText(*acl)), Text(acl->subjectName));
      break;
    }
    case SYN_PO_ADDRESS: {
      const Postal_Address_T* postal = static_cast<const Postal_Address_T*>(value);
      std::snprintf(buffer, size, "%s, %s, %s, %s, %s, %s", Text(postal->line[0]), Text(postal->line[1]),
                    Text(postal->line[2]), Text(postal->line[3]), Text(postal->line[4]), Text(postal->line[5]));
      break;
    }
    case SYN_TIMESTAMP:
    case SYN_STREAM:
    case SYN_TIME:
      break;
    case SYN_TYPED_NAME: {
      // Nothing reads this text; it shows the level, the interval and the name's length.
      const Typed_Name_T* typed = static_cast<const Typed_Name_T*>(value);
      std::snprintf(buffer, size, "0x%x, 0x%x, 0x%x", typed->level, typed->interval,
                    static_cast<unsigned>(CString(Text(typed->objectName)).GetLength()));
      break;
    }
    case SYN_HOLD: {
      const Hold_T* hold = static_cast<const Hold_T*>(value);
      std::snprintf(buffer, size, "%s, %lu", Text(hold->objectName), static_cast<unsigned long>(hold->amount));
      break;
    }
    default:
      std::snprintf(buffer, size, "Unrecognized Sytax");
      break;
  }
  return CString(buffer);
}

}  // namespace zrnetware
