// The registry of named screen objects: sprites placed on the screen with a
// hit box, drawn, hit-tested and given hover pictures by name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "display/symbol.h"

struct CScreenObject {
  double x = 0;
  double y = 0;
  int spriteWidth = 0;
  int spriteHeight = 0;
  int hitWidth = 0;
  int hitHeight = 0;
  std::string sprite;
};

class CObjectRegistry {
 public:
  CObjectRegistry();
  ~CObjectRegistry();
  CObjectRegistry(const CObjectRegistry&) = delete;
  CObjectRegistry& operator=(const CObjectRegistry&) = delete;

  int LoadSkin(const std::string& section);
  void CreateObject(const std::string& name, const std::string& sprite, int x, int y);
  int Exists(const std::string& name) const;
  void RemoveObject(const std::string& name);
  // Deletes every object, then releases the sprite table and its bitmaps.
  void Clear();
  // A negative coordinate keeps the old value of that coordinate.
  void SetPosition(const std::string& name, double x, double y);
  void SetHitWidth(const std::string& name, double width);
  void SetHitHeight(const std::string& name, double height);
  void ChangeSymbol(const std::string& name, const std::string& sprite);
  int GetObjectWidth(const std::string& name) const;
  int GetObjectHeight(const std::string& name) const;
  int IsOnSymbol(const std::string& name, int px, int py) const;
  void Draw(const std::string& name);
  void DrawAt(const std::string& name, int x, int y);
  void DrawTiled(const std::string& name, int width, int height);
  void DrawAll();
  int GetSymbolWidth(const std::string& sprite) const;
  int GetSymbolHeight(const std::string& sprite) const;

  CSymbol& Symbols() { return m_symbols; }
  // The object of a name, or nullptr (for tests and drawing records).
  const CScreenObject* Find(const std::string& name) const;

 private:
  CScreenObject* Lookup(const std::string& name);

  std::map<std::string, std::unique_ptr<CScreenObject>> m_objects;
  CSymbol m_symbols;
};

// The one registry of the application; set by AppInit (and by tests).
extern CObjectRegistry* g_registry;
