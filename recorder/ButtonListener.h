// Told when one of the window's image buttons has been tapped and has toggled.
#pragma once

class ImageButton;

class ButtonListener {
  public:
    // The button that was tapped, and its state after the tap: 0 or 1.
    virtual void OnButtonClick(ImageButton& button, int state) = 0;

  protected:
    ~ButtonListener() = default;
};
