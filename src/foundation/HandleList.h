#pragma once

// An intrusive doubly linked list between two sentinel nodes; the owner record
// embeds its node.
struct HandleListNode {
  int id = -1;
  void* data = nullptr;
  HandleListNode* prev = nullptr;
  HandleListNode* next = nullptr;
};

int HandleListReset(HandleListNode* head, HandleListNode* tail);
int HandleListInsert(HandleListNode* after, HandleListNode* node, int id, void* data);
int HandleListUnlink(HandleListNode* node);
