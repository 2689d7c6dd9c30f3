#include "platform/NetApiRecords.h"

#include <cstdlib>
#include <cstring>

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

}  // namespace zrplatform
