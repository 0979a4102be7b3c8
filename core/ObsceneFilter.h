#pragma once
// Masking of the words of the player's obscene-word list in shown text, in place: each character
// of a match becomes one of the mask characters "!@#$%&*", chosen by its code modulo 7.
void MaskObsceneWords(char* text);
void MaskObsceneWordsWide(char16_t* text);
