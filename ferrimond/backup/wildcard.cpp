#include "ferrimond/backup/wildcard.h"

#include <vector>

#include "ferrimond/support/case_fold.h"

namespace ferrimond {

namespace {

using Token = WildcardPattern::Token;

// Parses a bracket list starting after "["; returns false when it has no
// closing "]" (then the "[" stands for itself).
bool ParseSet(std::wstring_view p, size_t& i, Token& set) {
  size_t j = i;
  set.kind = Token::Set;
  if (j < p.size() && p[j] == L'!') {
    set.negated = true;
    ++j;
  }
  while (j < p.size() && p[j] != L']') {
    wchar_t lo = p[j], hi = p[j];
    if (j + 2 < p.size() && p[j + 1] == L'-' && p[j + 2] != L']') {
      hi = p[j + 2];
      j += 3;
    } else {
      ++j;
    }
    set.ranges.emplace_back(UpperChar(lo), UpperChar(hi));
    // Both cases of a letter range: [a-z] also holds the capitals.
    set.ranges.emplace_back(lo, hi);
  }
  if (j >= p.size()) return false;
  i = j + 1;
  return true;
}

std::vector<Token> Tokenize(std::wstring_view p) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < p.size();) {
    const wchar_t c = p[i++];
    Token t(Token::Literal);
    switch (c) {
      case L'*':
        if (tokens.empty() || tokens.back().kind != Token::Star) tokens.push_back(Token(Token::Star));
        continue;
      case L'?': t.kind = Token::AnyChar; break;
      case L'#': t.kind = Token::Digit; break;
      case L'[': {
        size_t j = i;
        Token set(Token::Set);
        if (ParseSet(p, j, set)) {
          i = j;
          // "[]" stands for nothing at all; "[!]" for any one character.
          if (!set.ranges.empty() || set.negated) tokens.push_back(std::move(set));
          continue;
        }
        t.ch = c;
        break;
      }
      default: t.ch = UpperChar(c); break;
    }
    tokens.push_back(std::move(t));
  }
  return tokens;
}

bool InSet(const Token& set, wchar_t c) {
  const wchar_t u = UpperChar(c);
  for (const auto& [lo, hi] : set.ranges)
    if ((c >= lo && c <= hi) || (u >= lo && u <= hi)) return true;
  return false;
}

bool MatchesOne(const Token& t, wchar_t c) {
  switch (t.kind) {
    case Token::AnyChar: return true;
    case Token::Digit: return c >= L'0' && c <= L'9';
    case Token::Literal: return UpperChar(c) == t.ch;
    case Token::Set: return InSet(t, c) != t.negated;
    case Token::Star: return false;
  }
  return false;
}

}  // namespace

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
  return WildcardPattern(pattern).Matches(name);
}

WildcardPattern::WildcardPattern(std::wstring_view pattern) : tokens_(Tokenize(pattern)) {}

bool WildcardPattern::Matches(std::wstring_view name) const {
  const std::vector<Token>& tokens = tokens_;
  // Every token but "*" takes exactly one character: the usual scan that
  // backtracks to the last star is enough, in O(name x pattern) at worst.
  size_t n = 0, t = 0;
  size_t starToken = SIZE_MAX, starName = 0;
  while (n < name.size()) {
    if (t < tokens.size() && tokens[t].kind == Token::Star) {
      starToken = t++;
      starName = n;
    } else if (t < tokens.size() && MatchesOne(tokens[t], name[n])) {
      ++t;
      ++n;
    } else if (starToken != SIZE_MAX) {
      t = starToken + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (t < tokens.size() && tokens[t].kind == Token::Star) ++t;
  return t == tokens.size();
}

}  // namespace ferrimond
