direction = 90;
