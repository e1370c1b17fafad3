#include "foundation/HandleList.h"

int HandleListReset(HandleListNode* head, HandleListNode* tail) {
  head->id = -1;
  head->data = nullptr;
  head->prev = nullptr;
  head->next = tail;
  tail->id = -1;
  tail->data = nullptr;
  tail->prev = head;
  tail->next = nullptr;
  return 0;
}

int HandleListInsert(HandleListNode* after, HandleListNode* node, int id, void* data) {
  node->id = id;
  node->data = data;
  node->prev = after;
  node->next = after->next;
  if (after->next != nullptr) after->next->prev = node;
  after->next = node;
  return 0;
}

int HandleListUnlink(HandleListNode* node) {
  if (node->prev != nullptr) node->prev->next = node->next;
  if (node->next != nullptr) node->next->prev = node->prev;
  return 0;
}
