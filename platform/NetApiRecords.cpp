#include "platform/NetApiRecords.h"

#include <cstdlib>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Modules.h"

namespace zrplatform {

namespace {

// Records first, then their texts.
class RecordBlock {
 public:
  RecordBlock(std::size_t recordsSize, const std::vector<const WideText*>& texts) {
    std::size_t size = recordsSize;
    for (const WideText* text : texts) size += (text->size() + 1) * sizeof(WCHAR);
    m_block = static_cast<unsigned char*>(std::calloc(1, size ? size : 1));
    m_next = m_block ? m_block + recordsSize : nullptr;
  }
  LPBYTE Block() const { return m_block; }
  LPWSTR Place(const WideText& text) {
    LPWSTR placed = reinterpret_cast<LPWSTR>(m_next);
    std::memcpy(m_next, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    m_next += (text.size() + 1) * sizeof(WCHAR);
    return placed;
  }

 private:
  unsigned char* m_block;
  unsigned char* m_next;
};

}  // namespace

LPBYTE MakeShareInfo1Block(const std::vector<WideShare>& shares) {
  std::vector<const WideText*> texts;
  for (const WideShare& share : shares) {
    texts.push_back(&share.name);
    texts.push_back(&share.remark);
  }
  RecordBlock block(sizeof(SHARE_INFO_1) * shares.size(), texts);
  SHARE_INFO_1* records = reinterpret_cast<SHARE_INFO_1*>(block.Block());
  for (std::size_t i = 0; records && i < shares.size(); ++i) {
    records[i].shi1_netname = block.Place(shares[i].name);
    records[i].shi1_type = shares[i].type;
    records[i].shi1_remark = block.Place(shares[i].remark);
  }
  return block.Block();
}

LPBYTE MakeServerInfo101Block(const SERVER_INFO_101& record, const WideText& name, const WideText& comment) {
  RecordBlock block(sizeof(SERVER_INFO_101), {&name, &comment});
  SERVER_INFO_101* placed = reinterpret_cast<SERVER_INFO_101*>(block.Block());
  if (placed) {
    *placed = record;
    placed->sv101_name = block.Place(name);
    placed->sv101_comment = block.Place(comment);
  }
  return block.Block();
}

void FreeNetApiBuffer(LPVOID buffer) { std::free(buffer); }

NET_API_STATUS FillShareInfo1(const std::vector<NarrowShare>& shares, char* buffer, unsigned short size,
                              unsigned short* read, unsigned short* total) {
  *read = 0;
  *total = static_cast<unsigned short>(shares.size() > 0xFFFF ? 0xFFFF : shares.size());
  std::size_t recordsEnd = 0;
  std::size_t textsStart = buffer ? size : 0;
  for (std::size_t i = 0; i < *total; ++i) {
    const NarrowShare& share = shares[i];
    const std::size_t remarkSize = share.remark.size() + 1;
    if (share.name.size() > LM20_NNLEN || recordsEnd + sizeof(share_info_1) + remarkSize > textsStart) break;
    share_info_1* record = reinterpret_cast<share_info_1*>(buffer + recordsEnd);
    std::memset(record, 0, sizeof *record);
    std::memcpy(record->shi1_netname, share.name.c_str(), share.name.size() + 1);
    record->shi1_type = share.type;
    textsStart -= remarkSize;
    std::memcpy(buffer + textsStart, share.remark.c_str(), remarkSize);
    record->shi1_remark = buffer + textsStart;
    recordsEnd += sizeof(share_info_1);
    ++*read;
  }
  if (*read == *total) return NERR_Success;
  return *read == 0 ? NERR_BufTooSmall : ERROR_MORE_DATA;
}

namespace {

std::string AnsiFromWide(LPCWSTR wide) {
  if (wide == nullptr) return std::string();
  int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? length : 1, '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], length, nullptr, nullptr);
  text.resize(std::strlen(text.c_str()));
  return text;
}

DWORD ListSharesNT(HMODULE netapi, const char* server, std::vector<ListedShare>& shares) {
  NetShareEnumFn shareEnum = reinterpret_cast<NetShareEnumFn>(GetProcAddress(netapi, "NetShareEnum"));
  NetApiBufferFreeFn bufferFree = reinterpret_cast<NetApiBufferFreeFn>(GetProcAddress(netapi, "NetApiBufferFree"));
  if (!shareEnum || !bufferFree) return ERROR_PROC_NOT_FOUND;
  int length = MultiByteToWideChar(CP_ACP, 0, server, -1, nullptr, 0);
  WideText wide(length > 0 ? length : 1, 0);
  MultiByteToWideChar(CP_ACP, 0, server, -1, &wide[0], static_cast<int>(wide.size()));
  LPBYTE buffer = nullptr;
  DWORD read = 0;
  DWORD total = 0;
  DWORD resume = 0;
  DWORD rc = shareEnum(&wide[0], 1, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
  const SHARE_INFO_1* records = reinterpret_cast<const SHARE_INFO_1*>(buffer);
  for (DWORD i = 0; records && i < read; ++i) {
    shares.push_back({AnsiFromWide(records[i].shi1_netname), records[i].shi1_type, AnsiFromWide(records[i].shi1_remark)});
  }
  if (buffer) bufferFree(buffer);
  return rc;
}

DWORD ListShares9x(HMODULE svrapi, const char* server, std::vector<ListedShare>& shares) {
  NetShareEnum9xFn shareEnum = reinterpret_cast<NetShareEnum9xFn>(GetProcAddress(svrapi, "NetShareEnum"));
  if (!shareEnum) return ERROR_PROC_NOT_FOUND;
  unsigned short read = 0;
  unsigned short total = 0;
  std::vector<char> buffer(0xFFFF);  // the most the call's 16-bit size can ask for
  DWORD rc = shareEnum(server, 1, buffer.data(), static_cast<unsigned short>(buffer.size()), &read, &total);
  const share_info_1* records = reinterpret_cast<const share_info_1*>(buffer.data());
  for (unsigned short i = 0; i < read; ++i) {
    shares.push_back({records[i].shi1_netname, records[i].shi1_type,
                      records[i].shi1_remark ? records[i].shi1_remark : ""});
  }
  return rc;
}

}  // namespace

DWORD ListShares(bool ntLine, const char* server, std::vector<ListedShare>& shares) {
  shares.clear();
  HMODULE module = LoadLibraryA(ntLine ? "NETAPI32.DLL" : "SVRAPI.DLL");
  if (module == nullptr) return ERROR_MOD_NOT_FOUND;
  DWORD rc = ntLine ? ListSharesNT(module, server, shares) : ListShares9x(module, server, shares);
  FreeLibrary(module);
  return rc;
}

}  // namespace zrplatform
