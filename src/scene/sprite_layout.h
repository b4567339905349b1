#pragma once
// The sprites laid out for the open display: each sized and placed at the
// display's size and given its surfaces, the clock fitted on the screen,
// the gulls drawn at the screen's whole-number scale. Also at a re-layout,
// after the display opened again at a new size.
namespace velmo {

class TForm1;

// Lays out every sprite of scene for its open display. A sprite's error
// handler may end the scene meanwhile (FEnded is then set).
void LayOutSprites(TForm1& scene);

// What only start-up needed (decoded pictures' pages, the compressed
// pictures' mapped pages) goes back to the system.
void GiveBackStartUpMemory();

}  // namespace velmo
