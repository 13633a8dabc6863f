#pragma once
// The menu "高级": the editor's text to an encrypted file and back.

void encryptCommand();
void decryptCommand();
