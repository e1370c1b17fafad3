#pragma once

// An intrusive doubly linked list between two sentinel nodes; the owner record
// embeds its node.
struct HandleListNode {
  // The owner's handle: an index into its handle table, never a pointer cut
  // down to an int (pointers are 64-bit here); the owner itself is `data`.
  int id = -1;
  void* data = nullptr;
  HandleListNode* prev = nullptr;
  HandleListNode* next = nullptr;
};

int HandleListReset(HandleListNode* head, HandleListNode* tail);
int HandleListInsert(HandleListNode* after, HandleListNode* node, int id, void* data);
int HandleListUnlink(HandleListNode* node);
